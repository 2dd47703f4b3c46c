#include "app/window/dialogs.h"

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
    if (!parent)
        return {};
    const QString folder = parent->window()->property("photoFolder").toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}
