#include "app/window/batchrun.h"

#include <QFileInfo>

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
