#ifndef LOGVIEW_H
#define LOGVIEW_H

#include <QTextEdit>

class QAction;
class QContextMenuEvent;
struct Dialogs;

// "Log de Procesos": plain-text lines, kept scrolled to the newest line
// unless the user has scrolled up to read an older one. Its context menu adds
// "Copiar todo", "Guardar registro..." and "Limpiar" to the usual copy items.
class LogView : public QTextEdit
{
    Q_OBJECT

public:
    explicit LogView(const Dialogs &dialogs);

    // Lines are plain text: file names and server replies may hold '<' and
    // '&', which rich text would swallow.
    void appendLine(const QString &line);

    // Writes the whole log to a file the user chooses, atomically; a failure
    // is told in a box.
    void saveToChosenFile();

    // Eight lines at first; three at the least when the splitter above moves.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    int heightOfLines(int lines) const;

    const Dialogs &dialogs;
    QAction *copyAllAction = nullptr;
    QAction *saveAction = nullptr;
    QAction *clearAction = nullptr;
};

#endif // LOGVIEW_H
