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
    // Written by the worker, read once it has finished.
    auto outcome = std::make_shared<AltitudeFillOutcome>();
    startJob(
            tr("Consultando altitudes..."), tab.altitudeFillButton(),
            [job, outcome](const LogCallback &jobLog, const ProgressCallback &progress) {
                *outcome = runAltitudeFillJob(job, jobLog, progress);
            },
            [this, outcome](const QString &failure) { finish(*outcome, failure); },
            [stop = job.stop] { *stop = true; });
}

void AltitudeFillTool::finish(const AltitudeFillOutcome &outcome, const QString &failure)
{
    if (!failure.isEmpty())
        log(tr("Error durante el proceso: ") + failure);
    log(tr("\nRelleno de altitud finalizado."));
    showEnd(!outcome.complete(), altitudeFillEndTitle(outcome), altitudeFillEndText(outcome));
    tab.altitudeFillButton()->setEnabled(true);
    host.refreshPreview();
}
