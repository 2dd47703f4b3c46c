#ifndef DIALOGS_H
#define DIALOGS_H

#include <QColor>
#include <QString>

#include <functional>

class QDialog;
class QWidget;

// The modal questions the window asks the user. Each member defaults to the
// standard Qt dialog; tests replace them to answer without a person. Every
// file dialog starts where the work is, `dialogStartFolder(parent)`, so none
// takes a start folder. An empty path or an invalid colour means the user
// cancelled.
struct Dialogs
{
    Dialogs();

    std::function<QString(QWidget *parent, const QString &title)> existingDirectory;
    std::function<QString(QWidget *parent, const QString &title, const QString &filter)>
            openFileName;
    std::function<QString(QWidget *parent, const QString &title, const QString &filter)>
            saveFileName;
    std::function<QColor(QWidget *parent, const QString &title, const QColor &initial)> color;
    std::function<void(QWidget *parent, const QString &title, const QString &text)> critical;
    std::function<void(QWidget *parent, const QString &title, const QString &text)> information;
    std::function<void(QWidget *parent, const QString &title, const QString &text)> warning;
    // A yes/no question; true when the user says yes.
    std::function<bool(QWidget *parent, const QString &title, const QString &text)> confirm;
    // Runs an already built dialog modally and returns its result code.
    std::function<int(QDialog &dialog)> run;
};

// The photo folder of `parent`'s window (its "photoFolder" property) when it
// names an existing folder; else the newest recent photo folder that still
// exists; else empty, the working directory.
QString dialogStartFolder(const QWidget *parent);

// A save dialog's answer ending in ".`suffix`", added when the user typed a
// name without it, since the dialog's filter shows only those files; empty
// stays empty.
QString withSuffix(const QString &path, const QString &suffix);

#endif // DIALOGS_H
