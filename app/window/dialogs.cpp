#include "app/window/dialogs.h"

#include "app/window/windowmemory.h"

#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

Dialogs::Dialogs()
    : existingDirectory([](QWidget *parent, const QString &title) {
        return QFileDialog::getExistingDirectory(parent, title, dialogStartFolder(parent),
                                                 QFileDialog::ShowDirsOnly);
    })
    , openFileName([](QWidget *parent, const QString &title, const QString &filter) {
        return QFileDialog::getOpenFileName(parent, title, dialogStartFolder(parent), filter);
    })
    , saveFileName([](QWidget *parent, const QString &title, const QString &filter) {
        return QFileDialog::getSaveFileName(parent, title, dialogStartFolder(parent), filter);
    })
    , color([](QWidget *parent, const QString &title, const QColor &initial) {
        return QColorDialog::getColor(initial, parent, title);
    })
    , critical([](QWidget *parent, const QString &title, const QString &text) {
        QMessageBox::critical(parent, title, text);
    })
    , information([](QWidget *parent, const QString &title, const QString &text) {
        QMessageBox::information(parent, title, text);
    })
    , warning([](QWidget *parent, const QString &title, const QString &text) {
        QMessageBox::warning(parent, title, text);
    })
    , confirm([](QWidget *parent, const QString &title, const QString &text) {
        return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No)
                == QMessageBox::Yes;
    })
    , run([](QDialog &dialog) { return dialog.exec(); })
{ }

QString dialogStartFolder(const QWidget *parent)
{
    QStringList folders = readRecentFolders();
    if (parent)
        folders.prepend(parent->window()->property("photoFolder").toString());
    for (const QString &folder : std::as_const(folders)) {
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    }
    return {};
}

QString withSuffix(const QString &path, const QString &suffix)
{
    const QString ending = QLatin1Char('.') + suffix;
    if (path.isEmpty() || path.endsWith(ending, Qt::CaseInsensitive))
        return path;
    return path + ending;
}
