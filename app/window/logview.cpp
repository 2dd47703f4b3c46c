#include "app/window/logview.h"

#include "app/window/dialogs.h"
#include "app/window/widgetparts.h"
#include "files/atomicfile.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QScrollBar>
#include <QTextCursor>
#include <QtMath>

#include <memory>

LogView::LogView(const Dialogs &dialogs)
    : dialogs(dialogs)
{
    setObjectName(QStringLiteral("logView"));
    setReadOnly(true);
    copyAllAction = named(new QAction(tr("Copiar todo"), this), "copyLogAction");
    saveAction = named(new QAction(tr("Guardar registro..."), this), "saveLogAction");
    clearAction = named(new QAction(tr("Limpiar"), this), "clearLogAction");
    connect(copyAllAction, &QAction::triggered, this,
            [this] { QGuiApplication::clipboard()->setText(toPlainText()); });
    connect(saveAction, &QAction::triggered, this, &LogView::saveToChosenFile);
    connect(clearAction, &QAction::triggered, this, &QTextEdit::clear);
}

QSize LogView::sizeHint() const
{
    return {QTextEdit::sizeHint().width(), heightOfLines(8)};
}

QSize LogView::minimumSizeHint() const
{
    return {QTextEdit::minimumSizeHint().width(), heightOfLines(3)};
}

int LogView::heightOfLines(int lines) const
{
    const int margins = 2 * (frameWidth() + qCeil(document()->documentMargin()));
    return lines * fontMetrics().lineSpacing() + margins;
}

// Follows the end only when the view showed the end before the line came.
void LogView::appendLine(const QString &line)
{
    QScrollBar *scrollBar = verticalScrollBar();
    const bool followsEnd = scrollBar->value() == scrollBar->maximum();
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    if (!document()->isEmpty())
        cursor.insertBlock();
    cursor.insertText(line);
    if (followsEnd)
        scrollBar->setValue(scrollBar->maximum());
}

void LogView::saveToChosenFile()
{
    const QString path = withSuffix(dialogs.saveFileName(window(), tr("Guardar registro"),
                                                         QStringLiteral("Text Files (*.txt)")),
                                    QStringLiteral("txt"));
    if (path.isEmpty())
        return;
    QString error;
    if (!replaceFileAtomically(path, toPlainText().toUtf8() + '\n', error))
        dialogs.critical(window(), tr("Error"),
                         tr("No se pudo guardar el registro en %1: %2").arg(path, error));
}

void LogView::contextMenuEvent(QContextMenuEvent *event)
{
    std::unique_ptr<QMenu> menu(createStandardContextMenu(event->pos()));
    menu->addSeparator();
    menu->addActions({copyAllAction, saveAction, clearAction});
    menu->exec(event->globalPos());
}
