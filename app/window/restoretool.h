#ifndef RESTORETOOL_H
#define RESTORETOOL_H

#include "app/window/windowtool.h"

class QAction;
struct RestoreOutcome;

// "Restaurar originales desde Backup..." of the "&Herramientas" menu: says
// what the backups of a chosen folder would bring back, and once the user
// agrees restores them as a job.
class RestoreTool : public WindowTool
{
    Q_OBJECT

public:
    // `trigger` is the menu entry, disabled while the job works.
    RestoreTool(const ToolHost &host, QAction *trigger);

public slots:
    void start();

private:
    void finish(const QString &failure, const RestoreOutcome &outcome);

    QAction *trigger;
};

#endif // RESTORETOOL_H
