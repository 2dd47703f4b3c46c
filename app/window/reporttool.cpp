#include "app/window/reporttool.h"

#include "app/window/inputspanel.h"
#include "report/photoreport.h"

#include <QAction>
#include <QFileInfo>

ReportTool::ReportTool(const ToolHost &host, QAction *trigger)
    : WindowTool(host)
    , trigger(trigger)
{ }

OptionTable ReportTool::profileRows()
{
    return reportProfileRows(details);
}

// Reads the photos of the window's folder only; the files are written once
// complete, and "Cancelar" leaves none.
void ReportTool::start()
{
    const QString folder = photoFolderFor(tr("crear el registro fotográfico"));
    if (folder.isEmpty())
        return;
    const ProcessingOptions options = host.options();
    std::shared_ptr<const CrsTransform> crs;
    if (!chosenCrs(options.outputCrs, crs))
        return;
    ReportSettings fromWindow;
    fromWindow.crs = crs;
    fromWindow.folder = folder;
    fromWindow.includeSubdirectories = host.inputs->includesSubfolders();
    fromWindow.logoPath = options.logoPath;
    // In coordinates-file mode its descripcion column captions the photos without their own.
    if (!options.useExif && !options.useGpxTrack && QFileInfo(options.csvPath).isFile())
        fromWindow.captionsFile = options.csvPath;
    ReportDialog dialog(host.window, dialogs(), details, fromWindow);
    if (dialogs().run(dialog) != QDialog::Accepted)
        return;
    details = dialog.details();
    const ReportSettings settings = dialog.settings();
    log(tr("Creando el registro fotográfico de las fotos de: ") + folder);
    const auto stop = std::make_shared<std::atomic<bool>>(false);
    const auto outcome = std::make_shared<ReportOutcome>();
    startJob(
            tr("Creando registro fotográfico..."), trigger,
            [settings, stop, outcome](const LogCallback &jobLog, const ProgressCallback &progress) {
                *outcome = writePhotoReport(settings, jobLog, progress, stop.get());
            },
            [this, outcome](const QString &failure) { finish(failure, *outcome); },
            [stop] { *stop = true; });
}

void ReportTool::finish(const QString &failure, const ReportOutcome &outcome)
{
    if (!failure.isEmpty())
        log(tr("Error durante el proceso: ") + failure);
    if (outcome.stopped)
        dialogs().information(host.window, tr("Cancelado"),
                              tr("Registro fotográfico cancelado: no se escribió ningún archivo."));
    else if (!outcome.written.isEmpty())
        showEnd(outcome.failed,
                outcome.failed ? tr("Registro fotográfico con errores") : tr("Completado"),
                tr("Registro fotográfico creado:\n") + outcome.written.join('\n')
                        + (outcome.failed ? tr("\n\nHubo errores: vea el log.") : QString()));
    else
        dialogs().critical(host.window, tr("Error"),
                           tr("No se pudo crear el registro fotográfico; vea el log."));
    trigger->setEnabled(true);
}
