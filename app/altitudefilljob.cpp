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

AltitudeFillOutcome runAltitudeFillJob(const AltitudeFillJob &job, const LogCallback &log,
                                       const ProgressCallback &progress)
{
    return fillAltitudes(job.csvPath, job.provider, job.apiKey, job.overwrite, log, progress,
                         job.service, job.stop.get(), job.crs.get());
}

static QString translated(const char *text)
{
    return QCoreApplication::translate("AltitudeFillJob", text);
}

QString altitudeFillEndTitle(const AltitudeFillOutcome &outcome)
{
    if (outcome.complete())
        return translated("Completado");
    if (!outcome.written)
        return translated("Error");
    return outcome.stopped ? translated("Relleno de altitud detenido")
                           : translated("Relleno de altitud incompleto");
}

QString altitudeFillEndText(const AltitudeFillOutcome &outcome)
{
    if (!outcome.written)
        return translated("El relleno de altitud no se completó y el archivo CSV no se ha "
                          "modificado. Vea el registro.");
    if (outcome.complete())
        return outcome.updated > 0
                ? translated("El proceso de relleno de altitud ha finalizado.\nEl archivo CSV "
                             "ha sido actualizado: altitudes obtenidas para %1 de %2 filas.")
                          .arg(outcome.updated)
                          .arg(outcome.asked)
                : translated("El proceso de relleno de altitud ha finalizado.\nNinguna fila "
                             "necesitaba altitud.");
    if (outcome.updated == 0)
        return translated(
                       "No se obtuvo ninguna altitud (0 de %1 filas consultadas): el archivo CSV "
                       "no tiene altitudes nuevas. Vea el registro.")
                .arg(outcome.asked);
    return translated("El archivo CSV ha sido actualizado solo en parte: altitudes obtenidas para "
                      "%1 de %2 filas consultadas; las demás quedan como estaban. Vea el "
                      "registro.")
            .arg(outcome.updated)
            .arg(outcome.asked);
}
