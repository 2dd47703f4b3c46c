#include "app/commandline/processcommand.h"

#include "app/commandline/consoleoutput.h"
#include "app/commandline/stopsignal.h"
#include "app/commandline/windowoptions.h"
#include "app/profile.h"
#include "coords/clockcorrection.h"
#include "coords/timezonenames.h"
#include "processing/batchsummary.h"
#include "processing/photoprocessor.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>

static const QCommandLineOption
        profileOption(QStringLiteral("perfil"),
                      QStringLiteral("Perfil de opciones guardado desde la ventana."),
                      QStringLiteral("PERFIL.json"));
static const QCommandLineOption csvOption(
        QStringLiteral("csv"),
        QStringLiteral("Toma las posiciones de este archivo de coordenadas en vez del EXIF."),
        QStringLiteral("ARCHIVO"));
static const QCommandLineOption gpxOption(
        QStringLiteral("gpx"),
        QStringLiteral("Toma las posiciones de este track GPX (un archivo .gpx o una carpeta de "
                       "ellos) por la hora de cada foto."),
        QStringLiteral("ARCHIVO_O_CARPETA"));
static const QCommandLineOption zoneOption(
        QStringLiteral("zona-horaria"),
        QStringLiteral("Zona horaria IANA del reloj de la cámara, p. ej. America/Santiago (por "
                       "defecto, la del equipo)."),
        QStringLiteral("ZONA"));
static const QCommandLineOption correctionOption(
        QStringLiteral("correccion-reloj"),
        QStringLiteral("Cuánto adelantaba el reloj de la cámara, ±HH:MM:SS (por defecto "
                       "+00:00:00)."),
        QStringLiteral("±HH:MM:SS"));
static const QCommandLineOption outputOption(
        QStringLiteral("salida"),
        QStringLiteral("Guarda las fotos modificadas en esta carpeta (existente) y deja los "
                       "originales intactos."),
        QStringLiteral("CARPETA"));
static const QCommandLineOption logoOption(QStringLiteral("logo"),
                                           QStringLiteral("Incrusta este logo en las fotos."),
                                           QStringLiteral("ARCHIVO"));
static const QCommandLineOption
        noBackupOption(QStringLiteral("sin-backup"),
                       QStringLiteral("No guarda copia de seguridad de los originales."));
static const QCommandLineOption qualityOption(
        QStringLiteral("calidad"),
        QStringLiteral("Calidad JPEG de 1 a 100 (por defecto, la de la configuración)."),
        QStringLiteral("N"));
static const QCommandLineOption losslessOption(
        QStringLiteral("sin-recomprimir"),
        QStringLiteral("Conserva la compresión original de las fotos JPEG: solo se recodifican "
                       "los bloques bajo las marcas."));

enum class PathKind { File, Folder, FileOrFolder };

// One input the run needs, checked in the order the window checks them.
struct InputCheck
{
    bool needed;
    QString path;
    PathKind kind;
    QString argument;
};

// Anything else, such as a FIFO or a device, would block the run while it is
// read and keep Ctrl-C from stopping it.
static bool isKind(const QFileInfo &info, PathKind kind)
{
    switch (kind) {
    case PathKind::File:
        return info.isFile();
    case PathKind::Folder:
        return info.isDir();
    default:
        return info.isFile() || info.isDir();
    }
}

static int checkInput(const InputCheck &check)
{
    const QFileInfo info(check.path);
    if (!check.needed || isKind(info, check.kind))
        return exitDone;
    const QString what = check.kind == PathKind::File ? QStringLiteral("el archivo")
            : check.kind == PathKind::Folder          ? QStringLiteral("la carpeta")
                                                      : QStringLiteral("el archivo o carpeta");
    if (!info.exists() && !info.isSymLink())
        return badArgument(check.argument,
                           QStringLiteral("no existe %1 «%2».").arg(what, check.path));
    const QString kind = check.kind == PathKind::File ? QStringLiteral("un archivo común")
            : check.kind == PathKind::Folder          ? QStringLiteral("una carpeta")
                                                      : QStringLiteral("un archivo común ni una "
                                                                                "carpeta");
    return badArgument(check.argument, QStringLiteral("«%1» no es %2.").arg(check.path, kind));
}

static int checkInputs(const QList<InputCheck> &checks)
{
    for (const auto &check : checks) {
        const int exitCode = checkInput(check);
        if (exitCode != exitDone)
            return exitCode;
    }
    return exitDone;
}

// The track options that cannot be checked against the disk, or the exit
// code of the first one that is wrong.
static int checkTrackOptions(const QCommandLineParser &parser)
{
    if (parser.isSet(csvOption) && parser.isSet(gpxOption))
        return badArgument(QStringLiteral("--gpx"),
                           QStringLiteral("no se puede usar junto con --csv: elija una fuente "
                                          "de posiciones."));
    const QString zone = parser.value(zoneOption);
    if (parser.isSet(zoneOption) && !isKnownTimeZoneId(zone))
        return badArgument(QStringLiteral("--zona-horaria"),
                           QStringLiteral("«%1» no es una zona horaria IANA conocida. ¿Quiso "
                                          "decir %2?")
                                   .arg(zone, closestTimeZoneIds(zone).join(QStringLiteral(", "))));
    int seconds = 0;
    if (parser.isSet(correctionOption)
        && !parseClockCorrection(parser.value(correctionOption), seconds))
        return badArgument(QStringLiteral("--correccion-reloj"),
                           QStringLiteral("debe escribirse ±HH:MM:SS, p. ej. +00:01:30."));
    return exitDone;
}

// The window's own options with the profile and the logo in, or the exit
// code of the argument that keeps them from being read.
static std::optional<ProcessingOptions> startingOptions(const QCommandLineParser &parser,
                                                        int &exitCode)
{
    const QString profile = parser.value(profileOption);
    exitCode = checkInput(
            {parser.isSet(profileOption), profile, PathKind::File, QStringLiteral("--perfil")});
    if (exitCode != exitDone)
        return std::nullopt;
    if (parser.isSet(profileOption) && !readProfile(profile)) {
        exitCode = badArgument(QStringLiteral("--perfil"),
                               QStringLiteral("«%1» no es un perfil legible.").arg(profile));
        return std::nullopt;
    }
    QStringList refusedKeys;
    const auto options = windowOptions(
            profile, parser.isSet(logoOption) ? parser.value(logoOption) : QString(), refusedKeys);
    if (!options) {
        std::fputs("rumbario: la ventana no entregó sus opciones.\n", stderr);
        exitCode = exitFailed;
    } else if (!refusedKeys.isEmpty()) {
        // As the same values given as options are refused.
        exitCode = badArgument(QStringLiteral("--perfil"),
                               QStringLiteral("valores no válidos en «%1»: %2.")
                                       .arg(profile, refusedKeys.join(QStringLiteral(", "))));
        return std::nullopt;
    }
    return options;
}

static bool readQuality(const QCommandLineParser &parser, int &quality)
{
    if (!parser.isSet(qualityOption))
        return true;
    bool isNumber = false;
    quality = parser.value(qualityOption).toInt(&isNumber);
    return isNumber && quality >= 1 && quality <= 100;
}

static void applyOptions(const QCommandLineParser &parser, ProcessingOptions &options)
{
    if (parser.isSet(csvOption)) {
        options.useExif = false;
        options.useGpxTrack = false;
        options.csvPath = parser.value(csvOption);
    }
    if (parser.isSet(gpxOption)) {
        options.useExif = false;
        options.useGpxTrack = true;
        options.gpxPath = parser.value(gpxOption);
    }
    if (parser.isSet(zoneOption))
        options.cameraTimeZone = parser.value(zoneOption);
    if (parser.isSet(correctionOption))
        parseClockCorrection(parser.value(correctionOption), options.clockCorrectionSeconds);
    if (parser.isSet(outputOption)) {
        options.useOutputFolder = true;
        options.outputFolder = parser.value(outputOption);
    }
    if (parser.isSet(crsOptionName))
        options.outputCrs = parser.value(crsOptionName);
    options.includeSubdirectories |= parser.isSet(subfoldersOption());
    options.losslessStamps |= parser.isSet(losslessOption);
    options.makeBackup
            = options.makeBackup && !options.useOutputFolder && !parser.isSet(noBackupOption);
}

// Photos at the fixed position or left without one were not done as asked:
// says how many on the error output and makes the run a failure.
static int unplacedPhotosExit(const BatchOutcome &outcome, int exitCode)
{
    const auto fixed = outcome.fixedPosition.size();
    const auto without = outcome.withoutPosition.size();
    if (fixed == 0 && without == 0)
        return exitCode;
    std::fputs(QStringLiteral("rumbario: %1 foto(s) con coordenadas fijas y %2 sin posición.\n")
                       .arg(QString::number(fixed), QString::number(without))
                       .toUtf8()
                       .constData(),
               stderr);
    return exitFailed;
}

static int runProcess(const QCommandLineParser &parser, const QStringList &values)
{
    const QString folder = values.first();
    int quality = 0;
    if (!readQuality(parser, quality))
        return badArgument(QStringLiteral("--calidad"),
                           QStringLiteral("debe ser un número entero de 1 a 100."));
    int exitCode = checkTrackOptions(parser);
    if (exitCode != exitDone)
        return exitCode;
    auto options = startingOptions(parser, exitCode);
    if (!options)
        return exitCode;
    applyOptions(parser, *options);
    if (parser.isSet(qualityOption))
        options->jpegQuality = quality;
    commandCrs(parser, options->outputCrs, exitCode);
    if (exitCode != exitDone)
        return exitCode;
    const QString logoArgument = parser.isSet(logoOption) ? QStringLiteral("--logo")
                                                          : QStringLiteral("--perfil (logoPath)");
    const QString gpxArgument = parser.isSet(gpxOption) ? QStringLiteral("--gpx")
                                                        : QStringLiteral("--perfil (gpxPath)");
    exitCode = checkInputs({
            {true, folder, PathKind::Folder, QStringLiteral("CARPETA")},
            {!options->logoPath.isEmpty(), options->logoPath, PathKind::File, logoArgument},
            {options->useGpxTrack, options->gpxPath, PathKind::FileOrFolder, gpxArgument},
            {!options->useExif && !options->useGpxTrack, options->csvPath, PathKind::File,
             QStringLiteral("--csv")},
            {options->useOutputFolder, options->outputFolder, PathKind::Folder,
             QStringLiteral("--salida")},
    });
    if (exitCode != exitDone)
        return exitCode;

    ConsoleOutput output(QStringLiteral("Procesadas %1 de %2 fotos"));
    output.log()(QStringLiteral("Iniciando el proceso de renombrado y modificación de fotos..."));
    PhotoProcessor processor(*options);
    processor.setStopFlag(&stopFlagOnSignals());
    const BatchOutcome outcome
            = processor.renamePhotosWithUTM(folder, output.log(), output.progress());
    if (!outcome.refusal.isEmpty()) {
        std::fputs(QStringLiteral("rumbario: %1\n").arg(outcome.refusal).toUtf8().constData(),
                   stderr);
        return exitFailed;
    }
    output.log()(QLatin1Char('\n') + batchSummary(outcome).join(QLatin1Char('\n')));
    if (outcome.stopped())
        return 128 + stopSignal();
    return unplacedPhotosExit(outcome,
                              outcome.processed() == outcome.total && outcome.badNames.isEmpty()
                                              && !outcome.logoMissing && !outcome.exportFailed
                                      ? exitDone
                                      : exitFailed);
}

Command processCommand()
{
    return {QStringLiteral("procesar"),
            QStringLiteral(
                    "Renombra y estampa las fotos de CARPETA con las opciones de la ventana."),
            {QStringLiteral("CARPETA")},
            {QStringLiteral("Carpeta de fotos.")},
            {profileOption, csvOption, gpxOption, zoneOption, correctionOption, outputOption,
             logoOption, subfoldersOption(), noBackupOption, qualityOption, losslessOption,
             crsOption(QStringLiteral("Sistema de los nombres, las coordenadas estampadas y "
                                      "los archivos de ubicaciones; por defecto, el del "
                                      "perfil."))},
            runProcess};
}
