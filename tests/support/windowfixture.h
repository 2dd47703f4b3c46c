#ifndef WINDOWFIXTURE_H
#define WINDOWFIXTURE_H

#include "app/window/dialogs.h"
#include "app/window/photorenamergui.h"
#include "tests/support/files.h"
#include "tests/support/testphotos.h"

#include <QTest>
#include <QTextEdit>

#include <memory>

// The real window, shown headless, with dialogs that answer from the fixture
// and message boxes that only record ("title: text"); questions are answered
// yes and recorded among the information boxes ("title? text").
struct WindowFixture
{
    std::unique_ptr<PhotoRenamerGUI> window;
    QStringList critical;
    QStringList information;
    QStringList warnings;
    QStringList asked; // titles of the file, folder and colour dialogs opened
    QStringList startedIn; // where each file and folder dialog would have started
    QString nextPath; // answer of every file and folder dialog; empty cancels
    QColor nextColor; // answer of the colour dialog; invalid cancels
    std::function<int(QDialog &)> runDialog; // answers the settings dialog

    bool open()
    {
        clearPrivateSettings();
        critical.clear();
        information.clear();
        warnings.clear();
        asked.clear();
        startedIn.clear();
        window = std::make_unique<PhotoRenamerGUI>();
        Dialogs dialogs;
        const auto path = [this](QWidget *parent, const QString &title, const QString & = {}) {
            asked << title;
            startedIn << dialogStartFolder(parent);
            return nextPath;
        };
        dialogs.existingDirectory = path;
        dialogs.openFileName = path;
        dialogs.saveFileName = path;
        dialogs.color = [this](QWidget *, const QString &title, const QColor &) {
            asked << title;
            return nextColor;
        };
        dialogs.critical = [this](QWidget *, const QString &title, const QString &text) {
            critical << title + QStringLiteral(": ") + text;
        };
        dialogs.information = [this](QWidget *, const QString &title, const QString &text) {
            information << title + QStringLiteral(": ") + text;
        };
        dialogs.warning = [this](QWidget *, const QString &title, const QString &text) {
            warnings << title + QStringLiteral(": ") + text;
        };
        // Questions are recorded with the answers.
        dialogs.confirm = [this](QWidget *, const QString &title, const QString &text) {
            information << title + QStringLiteral("? ") + text;
            return true;
        };
        dialogs.run = [this](QDialog &dialog) {
            return runDialog(dialog);
        };
        window->setDialogs(dialogs);
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }

    template<class T = QWidget> T *find(const QString &name) const
    {
        auto *child = window->findChild<T *>(name);
        if (!child)
            qFatal("no control %s", qPrintable(name));
        return child;
    }

    QString logText() const { return find<QTextEdit>(QStringLiteral("logView"))->toPlainText(); }
};

#endif // WINDOWFIXTURE_H
