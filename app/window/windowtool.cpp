#include "app/window/windowtool.h"

#include "app/window/inputspanel.h"
#include "geo/crs.h"

#include <QFileInfo>

WindowTool::WindowTool(const ToolHost &host)
    : QObject(host.window)
    , host(host)
{ }

void WindowTool::log(const QString &line) const
{
    host.log(line);
}

void WindowTool::startJob(const QString &label, QObject *trigger, const BackgroundJob::Work &work,
                          const BackgroundJob::Completion &finish,
                          const std::function<void()> &cancel)
{
    trigger->setProperty("enabled", false);
    BackgroundJob::Setup setup;
    setup.window = host.window;
    setup.dialogSlot = host.progressDialog;
    setup.label = label;
    setup.appendLog = host.log;
    setup.completion = finish;
    setup.cancel = cancel;
    QString error;
    if (BackgroundJob::start(setup, work, error))
        return;
    log(tr("Error durante el proceso: ") + error);
    dialogs().critical(host.window, tr("Error"), tr("Ocurrió un error: ") + error);
    trigger->setProperty("enabled", true);
}

void WindowTool::showEnd(bool warns, const QString &title, const QString &text) const
{
    if (warns)
        dialogs().warning(host.window, title, text);
    else
        dialogs().information(host.window, title, text);
}

bool WindowTool::chosenCrs(const QString &code, std::shared_ptr<const CrsTransform> &crs) const
{
    if (code.isEmpty())
        return true;
    QString problem;
    if (const auto entry = findProjectedCrs(code, problem))
        crs = crsTransform(entry->epsg, problem);
    if (!crs)
        dialogs().critical(host.window, tr("Error"), problem);
    return bool(crs);
}

QString WindowTool::photoFolderFor(const QString &action) const
{
    const QString folder = host.inputs->folder();
    if (QFileInfo(folder).isDir())
        return folder;
    dialogs().critical(host.window, tr("Error"),
                       tr("Seleccione un directorio de fotos válido antes de %1.").arg(action));
    return {};
}
