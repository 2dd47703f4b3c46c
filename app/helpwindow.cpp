#include "app/helpwindow.h"

#include "app/widgetparts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
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
