#ifndef REPORTTOOL_H
#define REPORTTOOL_H

#include "app/optiontable.h"
#include "app/window/reportdialog.h"
#include "app/window/windowtool.h"
#include "report/reportfiles.h"

class QAction;

// "Crear registro fotográfico..." of the "&Archivo" menu: the report dialog,
// then the report of the window's photo folder written by a job. Keeps the
// project's data the dialog showed last.
class ReportTool : public WindowTool
{
    Q_OBJECT

public:
    // `trigger` is the menu entry, disabled while the job works.
    ReportTool(const ToolHost &host, QAction *trigger);

    // The project's data as rows of the window's option table, so profiles
    // keep them.
    OptionTable profileRows();

public slots:
    void start();

private:
    void finish(const QString &failure, const ReportOutcome &outcome);

    QAction *trigger;
    ReportDetails details;
};

#endif // REPORTTOOL_H
