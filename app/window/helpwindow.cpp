#include "app/window/helpwindow.h"

#include "app/window/widgetparts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QUrl>
#include <QVBoxLayout>

HelpWindow::HelpWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(tr("Guía de uso de Rumbario"));
    resize(900, 700);
    browser = named(new QTextBrowser, "guideBrowser");
    browser->setOpenExternalLinks(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser);

    const QString guide = guideFile();
    if (guide.isEmpty()) {
        browser->setPlainText(tr("No se encontró la guía de uso (guia.md) en:\n")
                              + guideFolders().join(QLatin1Char('\n')));
        return;
    }
    // Relative picture links ("img/ventana.png") resolve against the guide's folder.
    browser->setSource(QUrl::fromLocalFile(guide), QTextDocument::MarkdownResource);
    fitPictures(QFileInfo(guide).absolutePath(), 820);
    nameHeadings();
}

// The guide's index links to its headings as web pages name them
// ("#la-ventana-el-teclado-y-la-ayuda"): lower case, spaces as hyphens,
// other punctuation dropped.
void HelpWindow::nameHeadings()
{
    for (QTextBlock block = browser->document()->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 0)
            continue;
        QString name;
        for (const QChar c : block.text().toLower()) {
            if (c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_'))
                name += c;
            else if (c == QLatin1Char(' '))
                name += QLatin1Char('-');
        }
        QTextCharFormat anchor;
        anchor.setAnchor(true);
        anchor.setAnchorNames({name});
        QTextCursor cursor(block);
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(anchor);
    }
}

// The guide's pictures are up to 1280 pixels wide; shown narrower, they fit
// the window without a sideways scroll.
void HelpWindow::fitPictures(const QString &guideFolder, int widthPixels)
{
    for (QTextBlock block = browser->document()->begin(); block.isValid(); block = block.next()) {
        for (auto part = block.begin(); !part.atEnd(); ++part) {
            const QTextFragment fragment = part.fragment();
            QTextImageFormat picture = fragment.charFormat().toImageFormat();
            if (!picture.isValid())
                continue;
            const QSize size = QImageReader(guideFolder + QLatin1Char('/') + picture.name()).size();
            if (size.width() <= widthPixels)
                continue;
            picture.setWidth(widthPixels);
            picture.setHeight(double(size.height()) * widthPixels / size.width());
            QTextCursor cursor(browser->document());
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(picture);
        }
    }
}

QStringList HelpWindow::guideFolders()
{
    const QString program = QCoreApplication::applicationDirPath();
    return {program + QStringLiteral("/doc"),
            QDir::cleanPath(program + QStringLiteral("/" RUMBARIO_DOC_FROM_PROGRAM)),
            QStringLiteral("/usr/share/doc/rumbario")};
}

QString HelpWindow::guideFile()
{
    for (const QString &folder : guideFolders()) {
        const QString guide = folder + QStringLiteral("/guia.md");
        if (QFileInfo(guide).isFile())
            return guide;
    }
    return {};
}
