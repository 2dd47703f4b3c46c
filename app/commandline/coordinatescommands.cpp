#include "app/commandline/coordinatescommands.h"

#include "app/altitudefilljob.h"
#include "app/commandline/consoleoutput.h"
#include "app/commandline/stopsignal.h"
#include "app/storedsettings.h"
#include "coords/samplefile.h"
#include "exports/locationexport.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QUrl>

static const QCommandLineOption providerOption(
        QStringLiteral("proveedor"),
        QStringLiteral("Servicio de elevación: \"OpenTopoData\" o \"Google Elevation\" (por "
                       "defecto, el de la configuración)."),
        QStringLiteral("NOMBRE"));
static const QCommandLineOption keepOption(QStringLiteral("no-sobrescribir"),
                                           QStringLiteral("Conserva las altitudes existentes."));
static const QCommandLineOption serverOption(
        QStringLiteral("servidor"),
        QStringLiteral("URL base de un servidor propio del servicio (por defecto, el público)."),
        QStringLiteral("URL"));

static const char apiKeyVariable[] = "RUMBARIO_API_KEY";

static int exitCodeOf(const ConsoleOutput &output)
{
    return output.errorLines() > 0 ? exitFailed : exitDone;
}

static bool knownProvider(const QString &provider)
{
    return provider == QLatin1String(googleElevationProvider)
            || provider == QLatin1String(openTopoDataProvider);
}

static bool validServer(const QString &url)
{
    const QUrl parsed(url, QUrl::StrictMode);
    return parsed.isValid() && !parsed.host().isEmpty()
            && (parsed.scheme() == QLatin1String("https")
                || parsed.scheme() == QLatin1String("http"));
}

static int runAltitude(const QCommandLineParser &parser, const QStringList &values)
{
    const StoredSettings stored = readStoredSettings();
    const QString provider
            = parser.isSet(providerOption) ? parser.value(providerOption) : stored.altitudeProvider;
    if (!knownProvider(provider))
        return badArgument(QStringLiteral("--proveedor"),
                           QStringLiteral("debe ser \"%1\" o \"%2\".")
                                   .arg(QLatin1String(openTopoDataProvider),
                                        QLatin1String(googleElevationProvider)));
    ElevationService service;
    if (parser.isSet(serverOption)) {
        service.baseUrl = parser.value(serverOption);
        if (!validServer(service.baseUrl))
            return badArgument(QStringLiteral("--servidor"),
                               QStringLiteral("no es una URL http o https."));
    }
    const QString key = qEnvironmentVariableIsEmpty(apiKeyVariable)
            ? stored.altitudeApiKey
            : qEnvironmentVariable(apiKeyVariable);
    AltitudeFillJob job = makeAltitudeFillJob(values.first(), provider, key,
                                              !parser.isSet(keepOption), service);
    if (!QFileInfo(job.csvPath).isFile())
        return badArgument(QStringLiteral("ARCHIVO"),
                           QStringLiteral("no existe el archivo «%1».").arg(job.csvPath));
    int exitCode = exitDone;
    job.crs = commandCrs(parser, QString(), exitCode);
    if (exitCode != exitDone)
        return exitCode;
    if (!altitudeFillJobProblem(job).isEmpty())
        return badArgument(QStringLiteral("--proveedor"),
                           QStringLiteral("Google Elevation necesita una clave: defina %1 o "
                                          "guárdela en Herramientas -> Configuración.")
                                   .arg(QLatin1String(apiKeyVariable)));
    ConsoleOutput output(QStringLiteral("Consultadas %1 de %2 filas"));
    output.log()(QStringLiteral("Iniciando relleno de altitud desde API para el archivo: ")
                 + job.csvPath);
    // A retried request leaves an error line behind, yet a complete file.
    const AltitudeFillOutcome outcome = runAltitudeFillJob(job, output.log(), output.progress());
    output.log()(QStringLiteral("\nRelleno de altitud finalizado."));
    output.log()(altitudeFillEndText(outcome).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    return outcome.complete() ? exitDone : exitFailed;
}

static int missingFolder(const QString &folder)
{
    return badArgument(QStringLiteral("CARPETA"),
                       QStringLiteral("no existe la carpeta «%1».").arg(folder));
}

static int runSample(const QCommandLineParser &parser, const QStringList &values)
{
    const QString &folder = values.at(0);
    if (!QFileInfo(folder).isDir())
        return missingFolder(folder);
    int exitCode = exitDone;
    const auto crs = commandCrs(parser, QString(), exitCode);
    if (exitCode != exitDone)
        return exitCode;
    ConsoleOutput output(QString {});
    writeSampleCoordinatesFile(folder, values.at(1), parser.isSet(subfoldersOption()), true,
                               output.log(), nullptr, crs.get());
    return exitCodeOf(output);
}

static int runExport(const QCommandLineParser &parser, const QStringList &values)
{
    const QString &folder = values.at(0);
    if (!QFileInfo(folder).isDir())
        return missingFolder(folder);
    int exitCode = exitDone;
    const auto crs = commandCrs(parser, QString(), exitCode);
    if (exitCode != exitDone)
        return exitCode;
    ConsoleOutput output(QStringLiteral("Leídas %1 de %2 fotos"));
    output.log()(QStringLiteral("Exportando ubicaciones de las fotos de: ") + folder);
    const LocationExportOutcome outcome
            = exportFolderLocations(folder, parser.isSet(subfoldersOption()), output.log(),
                                    output.progress(), &stopFlagOnSignals(), crs.get());
    if (outcome.stopped)
        return 128 + stopSignal();
    return outcome.unreadable > 0 ? exitFailed : exitCodeOf(output);
}

Command altitudeCommand()
{
    return {QStringLiteral("altitud"),
            QStringLiteral("Rellena la columna de altitud de un archivo de coordenadas."),
            {QStringLiteral("ARCHIVO")},
            {QStringLiteral("Archivo de coordenadas (;) que se reescribe.")},
            {providerOption, keepOption, serverOption,
             crsOption(QStringLiteral("Sistema del este y el norte de las filas, que se pasan a "
                                      "latitud y longitud para consultar la altitud."))},
            runAltitude};
}

Command sampleCommand()
{
    return {QStringLiteral("ejemplo"),
            QStringLiteral("Crea un archivo de coordenadas de ejemplo para las fotos de CARPETA."),
            {QStringLiteral("CARPETA"), QStringLiteral("ARCHIVO")},
            {QStringLiteral("Carpeta de fotos."), QStringLiteral("Archivo que se crea.")},
            {subfoldersOption(),
             crsOption(QStringLiteral("Sistema en que se escriben la zona, el este y el norte "
                                      "de cada fila."))},
            runSample};
}

Command exportCommand()
{
    return {QStringLiteral("exportar"),
            QStringLiteral("Escribe ubicaciones.kmz, .geojson y .csv de las fotos de CARPETA."),
            {QStringLiteral("CARPETA")},
            {QStringLiteral("Carpeta de fotos; se leen, nunca se modifican.")},
            {subfoldersOption(),
             crsOption(QStringLiteral("Sistema del este y el norte de los archivos de "
                                      "ubicaciones."))},
            runExport};
}
