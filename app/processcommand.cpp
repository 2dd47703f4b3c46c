#include "app/processcommand.h"

#include "app/consoleoutput.h"
#include "app/profile.h"
#include "app/stopsignal.h"
#include "app/windowoptions.h"
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

// One input the run needs, checked in the order the window checks them.
struct InputCheck
{
    bool needed;
    QString path;
    bool folder; // a folder, else a file
    QString argument;
};

static int checkInputs(const QList<InputCheck> &checks)
{
    for (const auto &check : checks) {
        if (!check.needed)
            continue;
        const QFileInfo info(check.path);
        if (check.folder ? !info.isDir() : !info.isFile())
            return badArgument(check.argument,
                               QStringLiteral("no existe %1 «%2».")
                                       .arg(check.folder ? QStringLiteral("la carpeta")
                                                         : QStringLiteral("el archivo"),
                                            check.path));
    }
    return exitDone;
}

// The window's own options with the profile and the logo in, or the exit
// code of the argument that keeps them from being read.
static std::optional<ProcessingOptions> startingOptions(const QCommandLineParser &parser,
                                                        int &exitCode)
{
    const QString profile = parser.value(profileOption);
    if (parser.isSet(profileOption) && !readProfile(profile)) {
        exitCode = badArgument(QStringLiteral("--perfil"),
                               QStringLiteral("«%1» no es un perfil legible.").arg(profile));
        return std::nullopt;
    }
    const auto options = windowOptions(
            profile, parser.isSet(logoOption) ? parser.value(logoOption) : QString());
    if (!options) {
        std::fputs("rumbario: la ventana no entregó sus opciones.\n", stderr);
        exitCode = exitFailed;
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
        options.csvPath = parser.value(csvOption);
    }
    if (parser.isSet(outputOption)) {
        options.useOutputFolder = true;
        options.outputFolder = parser.value(outputOption);
    }
    options.includeSubdirectories |= parser.isSet(subfoldersOption());
    options.makeBackup
            = options.makeBackup && !options.useOutputFolder && !parser.isSet(noBackupOption);
}

static int runProcess(const QCommandLineParser &parser, const QStringList &values)
{
    const QString folder = values.first();
    int quality = 0;
    if (!readQuality(parser, quality))
        return badArgument(QStringLiteral("--calidad"),
                           QStringLiteral("debe ser un número entero de 1 a 100."));
    int exitCode = exitDone;
    auto options = startingOptions(parser, exitCode);
    if (!options)
        return exitCode;
    applyOptions(parser, *options);
    if (parser.isSet(qualityOption))
        options->jpegQuality = quality;
    const QString logoArgument = parser.isSet(logoOption) ? QStringLiteral("--logo")
                                                          : QStringLiteral("--perfil (logoPath)");
    exitCode = checkInputs({
            {true, folder, true, QStringLiteral("CARPETA")},
            {!options->logoPath.isEmpty(), options->logoPath, false, logoArgument},
            {!options->useExif, options->csvPath, false, QStringLiteral("--csv")},
            {options->useOutputFolder, options->outputFolder, true, QStringLiteral("--salida")},
    });
    if (exitCode != exitDone)
        return exitCode;

    ConsoleOutput output(QStringLiteral("Procesadas %1 de %2 fotos"));
    output.log()(QStringLiteral("Iniciando el proceso de renombrado y modificación de fotos..."));
    PhotoProcessor processor(*options);
    processor.setStopFlag(&stopFlagOnSignals());
    const BatchOutcome outcome
            = processor.renamePhotosWithUTM(folder, output.log(), output.progress());
    if (!outcome.refusal.isEmpty())
        return exitFailed;
    if (outcome.stopped())
        return 128 + stopSignal();
    output.log()(QStringLiteral("\nProceso finalizado."));
    return outcome.failed > 0 ? exitFailed : exitDone;
}

Command processCommand()
{
    return {QStringLiteral("procesar"),
            QStringLiteral(
                    "Renombra y estampa las fotos de CARPETA con las opciones de la ventana."),
            {QStringLiteral("CARPETA")},
            {QStringLiteral("Carpeta de fotos.")},
            {profileOption, csvOption, outputOption, logoOption, subfoldersOption(), noBackupOption,
             qualityOption},
            runProcess};
}
