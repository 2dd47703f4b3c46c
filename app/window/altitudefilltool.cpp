#include "app/window/altitudefilltool.h"

#include "app/altitudefilljob.h"
#include "app/window/generaltab.h"

#include <QPushButton>

AltitudeFillTool::AltitudeFillTool(const ToolHost &host, GeneralTab &tab, const QString &provider,
                                   const QString &apiKey)
    : WindowTool(host)
    , tab(tab)
    , provider(provider)
    , apiKey(apiKey)
{ }

void AltitudeFillTool::setService(const ElevationService &replacement)
{
    service = replacement;
}

void AltitudeFillTool::start()
{
    AltitudeFillJob job = makeAltitudeFillJob(tab.coordinatesFile(), provider, apiKey,
                                              tab.overwriteAltitudes(), service);
    const QString problem = altitudeFillJobProblem(job);
    if (!problem.isEmpty()) {
        dialogs().critical(host.window, tr("Error"), problem);
        return;
    }
    if (!chosenCrs(host.options().outputCrs, job.crs))
        return;
    log(tr("Iniciando relleno de altitud desde API para el archivo: ") + job.csvPath);
    startJob(
            tr("Consultando altitudes..."), tab.altitudeFillButton(),
            [job](const LogCallback &jobLog, const ProgressCallback &progress) {
                runAltitudeFillJob(job, jobLog, progress);
            },
            [this](const QString &failure) { finish(failure); },
            [stop = job.stop] { *stop = true; });
}

void AltitudeFillTool::finish(const QString &failure)
{
    if (!failure.isEmpty())
        log(tr("Error durante el proceso: ") + failure);
    log(tr("\nRelleno de altitud finalizado."));
    dialogs().information(host.window, tr("Completado"),
                          tr("El proceso de relleno de altitud ha finalizado.\nEl archivo CSV ha "
                             "sido actualizado."));
    tab.altitudeFillButton()->setEnabled(true);
    host.refreshPreview();
}
