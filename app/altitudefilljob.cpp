#include "app/altitudefilljob.h"

#include <QCoreApplication>
#include <QFileInfo>

static bool needsKey(const QString &provider)
{
    return provider == QLatin1String(googleElevationProvider);
}

AltitudeFillJob makeAltitudeFillJob(const QString &csvPath, const QString &provider,
                                    const QString &storedApiKey, bool overwrite,
                                    const ElevationService &service)
{
    AltitudeFillJob job;
    job.csvPath = csvPath;
    job.provider = provider;
    job.apiKey = needsKey(provider) ? storedApiKey : QString();
    job.overwrite = overwrite;
    job.service = service;
    return job;
}

QString altitudeFillJobProblem(const AltitudeFillJob &job)
{
    // A folder is no CSV file: the fill could only fail to read it.
    if (job.csvPath.isEmpty() || !QFileInfo(job.csvPath).isFile())
        return QCoreApplication::translate("AltitudeFillJob",
                                           "Por favor, seleccione un archivo CSV válido.");
    if (needsKey(job.provider) && job.apiKey.isEmpty())
        return QCoreApplication::translate(
                "AltitudeFillJob",
                "No se ha configurado una clave de API para Google Elevation. Por favor, añádala "
                "en Herramientas -> Configuración.");
    return QString();
}

bool runAltitudeFillJob(const AltitudeFillJob &job, const LogCallback &log,
                        const ProgressCallback &progress)
{
    return fillAltitudes(job.csvPath, job.provider, job.apiKey, job.overwrite, log, progress,
                         job.service, job.stop.get(), job.crs.get());
}
