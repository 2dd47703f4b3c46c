#ifndef HELPWINDOW_H
#define HELPWINDOW_H

#include <QString>
#include <QStringList>
#include <QWidget>

class QTextBrowser;

// "Guía de uso": the user guide, docs/guia.md with its pictures, shown in a
// window of its own beside the main window.
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

private:
    void fitPictures(const QString &guideFolder, int widthPixels);
    void nameHeadings();

    QTextBrowser *browser = nullptr;
};

#endif // HELPWINDOW_H
