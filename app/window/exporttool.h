#ifndef EXPORTTOOL_H
#define EXPORTTOOL_H

#include "app/window/windowtool.h"

class QAction;
struct LocationExportOutcome;

// "Exportar ubicaciones..." of the "&Archivo" menu: the location files of
// the photos already in a chosen folder, written by a job that never changes
// the photos.
class ExportTool : public WindowTool
{
    Q_OBJECT

public:
    // `trigger` is the menu entry, disabled while the job works.
    ExportTool(const ToolHost &host, QAction *trigger);

public slots:
    void start();

private:
    void finish(const QString &failure, const QString &folder,
                const LocationExportOutcome &outcome);

    QAction *trigger;
};

#endif // EXPORTTOOL_H
