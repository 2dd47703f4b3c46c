#include "app/window/helpwindow.h"

#include "app/window/widgetparts.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QUrl>
#include <QVBoxLayout>
#include <QtMath>

HelpWindow::HelpWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(tr("Guía de uso de Rumbario"));
    resize(900, 700);
    browser = named(new QTextBrowser, "guideBrowser");
    // Followed here: Qt would load the guide again for a link to one of its
    // headings, losing the headings' names and the pictures' widths.
    browser->setOpenLinks(false);
    // A scroll bar that comes and goes would change the width the pictures
    // fit in, and fit them again.
    browser->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser);
    connect(browser, &QTextBrowser::anchorClicked, this, &HelpWindow::followLink);

    const QString guide = guideFile();
    if (guide.isEmpty()) {
        browser->setPlainText(tr("No se encontró la guía de uso (guia.md) en:\n")
                              + guideFolders().join(QLatin1Char('\n')));
        return;
    }
    // Relative picture links ("img/ventana.png") resolve against the guide's folder.
    browser->setSource(QUrl::fromLocalFile(guide), QTextDocument::MarkdownResource);
    readPictureSizes(QFileInfo(guide).absolutePath());
    nameHeadingsAndWrapCode();
    browser->viewport()->installEventFilter(this);
}

// The guide's index links to its headings as web pages name them
// ("#la-ventana-el-teclado-y-la-ayuda"): lower case, spaces as hyphens,
// other punctuation dropped. Its examples of commands wrap, as its text does:
// a narrow window never needs a sideways scroll.
void HelpWindow::nameHeadingsAndWrapCode()
{
    for (QTextBlock block = browser->document()->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().nonBreakableLines()) {
            QTextBlockFormat wrapped = block.blockFormat();
            wrapped.setNonBreakableLines(false);
            QTextCursor(block).setBlockFormat(wrapped);
        }
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

void HelpWindow::followLink(const QUrl &link)
{
    const bool inGuide = link.isRelative() && link.path().isEmpty();
    if (inGuide || link.matches(browser->source(), QUrl::RemoveFragment))
        browser->scrollToAnchor(link.fragment());
    else
        QDesktopServices::openUrl(browser->source().resolved(link));
}

void HelpWindow::readPictureSizes(const QString &guideFolder)
{
    for (QTextBlock block = browser->document()->begin(); block.isValid(); block = block.next()) {
        for (auto part = block.begin(); !part.atEnd(); ++part) {
            const QTextImageFormat picture = part.fragment().charFormat().toImageFormat();
            if (picture.isValid())
                pictureSizes.insert(
                        picture.name(),
                        QImageReader(guideFolder + QLatin1Char('/') + picture.name()).size());
        }
    }
}

// Esc and Ctrl+W close it; the guide's text leaves both keys to its window.
void HelpWindow::keyPressEvent(QKeyEvent *event)
{
    const QKeyCombination key = event->keyCombination();
    if (key == QKeyCombination(Qt::Key_Escape) || key == QKeyCombination(Qt::CTRL, Qt::Key_W))
        close();
    else
        QWidget::keyPressEvent(event);
}

bool HelpWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == browser->viewport() && event->type() == QEvent::Resize) {
        const int margins = 2 * qCeil(browser->document()->documentMargin());
        fitPictures(browser->viewport()->width() - margins);
    }
    return QWidget::eventFilter(watched, event);
}

// The guide's pictures are up to 1280 pixels wide; shown narrower, they fit
// the window without a sideways scroll. Smaller ones keep their size.
void HelpWindow::fitPictures(int widthPixels)
{
    for (QTextBlock block = browser->document()->begin(); block.isValid(); block = block.next()) {
        for (auto part = block.begin(); !part.atEnd(); ++part) {
            const QTextFragment fragment = part.fragment();
            QTextImageFormat picture = fragment.charFormat().toImageFormat();
            const QSize size = pictureSizes.value(picture.name());
            if (!picture.isValid() || size.isEmpty())
                continue;
            const int width = qBound(1, widthPixels, size.width());
            if (qFuzzyCompare(picture.width(), double(width)))
                continue;
            picture.setWidth(width);
            picture.setHeight(double(size.height()) * width / size.width());
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
