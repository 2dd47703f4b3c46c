#include "app/window/batchrun.h"

#include "app/window/generaltab.h"
#include "app/window/inputspanel.h"
#include "app/window/logotab.h"
#include "app/window/windowmemory.h"
#include "processing/batchsummary.h"

#include <QFileInfo>
#include <QPushButton>

// An empty field names no folder: the run must not fall back to the working
// directory and rewrite whatever photos happen to be there.
QString runInputError(const QString &folder, bool logoChecked, const ProcessingOptions &options)
{
    if (!QFileInfo(folder).isDir())
        return QStringLiteral("Seleccione un directorio de fotos válido.");
    if (logoChecked && !QFileInfo(options.logoPath).isFile())
        return missingLogoError();
    if (options.useGpxTrack) {
        if (!QFileInfo::exists(options.gpxPath))
            return QStringLiteral("Seleccione un track GPX válido: un archivo .gpx o una carpeta "
                                  "con archivos .gpx.");
    } else if (!options.useExif && !QFileInfo(options.csvPath).isFile()) {
        return QStringLiteral("Seleccione un archivo txt válido (o cambie el modo a EXIF).");
    }
    if (options.useOutputFolder && !QFileInfo(options.outputFolder).isDir())
        return QStringLiteral("Seleccione una carpeta de salida válida.");
    return QString();
}

QString missingLogoError()
{
    return QStringLiteral("Seleccione un archivo de logo válido.");
}

BackgroundJob::Work batchRunWork(const ProcessingOptions &options, const QString &folder,
                                 const std::shared_ptr<BatchRunState> &state)
{
    return [options, folder, state](const LogCallback &log, const ProgressCallback &progress) {
        PhotoProcessor processor(options);
        processor.setStopFlag(&state->stop);
        state->outcome = processor.renamePhotosWithUTM(folder, log, progress);
    };
}

BatchRunTool::BatchRunTool(const ToolHost &host, const GeneralTab &generalTab, LogoTab &logoTab,
                           QPushButton *startButton)
    : WindowTool(host)
    , generalTab(generalTab)
    , logoTab(logoTab)
    , startButton(startButton)
{ }

void BatchRunTool::start()
{
    const ProcessingOptions options = host.options();
    const QString folder = host.inputs->folder();
    QString problem = runInputError(folder, logoTab.embedsLogo(), options);
    if (problem.isEmpty())
        problem = generalTab.trackInputError();
    if (!problem.isEmpty()) {
        dialogs().critical(host.window, tr("Error"), problem);
        if (problem == missingLogoError())
            logoTab.askForLogo();
        return;
    }
    const QString refusal = batchStartProblem(folder, options);
    if (!refusal.isEmpty()) {
        log(refusal);
        dialogs().critical(host.window, tr("Error"), refusal);
        return;
    }
    rememberRecentFolder(folder);
    log(tr("Iniciando el proceso de renombrado y modificación de fotos..."));
    const auto state = std::make_shared<BatchRunState>();
    startJob(
            tr("Procesando fotos..."), startButton, batchRunWork(options, folder, state),
            [this, state](const QString &failure) { finish(failure, state->outcome); },
            [state] { state->stop = true; });
}

// A batch that refused to start (a track it cannot use) touched no photo and
// says why in its own box. Otherwise the box and the end of the log tell the
// same summary.
void BatchRunTool::finish(const QString &failure, const BatchOutcome &outcome)
{
    startButton->setEnabled(true);
    if (!failure.isEmpty()) {
        log(tr("Error durante el proceso: ") + failure);
        dialogs().critical(host.window, tr("Error"), tr("Ocurrió un error: ") + failure);
    } else if (!outcome.refusal.isEmpty()) {
        log(tr("\nProceso finalizado."));
        dialogs().critical(host.window, tr("Error"), outcome.refusal);
    } else {
        const QString summary = batchSummary(outcome).join(QLatin1Char('\n'));
        log(QLatin1Char('\n') + summary);
        showEnd(summaryWarns(outcome),
                outcome.stopped() ? tr("Proceso detenido") : tr("Completado"), summary);
    }
    host.reloadPhotos();
}
