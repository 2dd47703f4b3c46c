#ifndef HELPWINDOW_H
#define HELPWINDOW_H

#include <QHash>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>

class QTextBrowser;
class QUrl;

// "Guía de uso": the user guide, docs/guia.md with its pictures, shown in a
// window of its own beside the main window. Links to the guide's headings
// scroll to them, other links open outside; the pictures stay as wide as
// the window at most. Esc and Ctrl+W close it.
class HelpWindow : public QWidget
{
    Q_OBJECT

public:
    explicit HelpWindow(QWidget *parent = nullptr);

    // Where the guide is looked for, in this order: beside the program (a
    // build tree), where the package installs it relative to the program, and
    // /usr/share/doc/rumbario.
    static QStringList guideFolders();
    // The first guia.md of those folders; empty when there is none.
    static QString guideFile();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void readPictureSizes(const QString &guideFolder);
    void fitPictures(int widthPixels);
    void nameHeadingsAndWrapCode();
    void followLink(const QUrl &link);

    QTextBrowser *browser = nullptr;
    QHash<QString, QSize> pictureSizes; // by the name the guide links them with
};

#endif // HELPWINDOW_H
