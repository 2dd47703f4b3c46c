#include "app/commandline/reportcommand.h"

#include "app/commandline/consoleoutput.h"
#include "app/commandline/stopsignal.h"
#include "app/commandline/windowoptions.h"
#include "app/profile.h"
#include "app/reportdetails.h"
#include "report/reportfiles.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

static const QCommandLineOption formatOption(QStringLiteral("formato"),
                                             QStringLiteral("pdf, docx o ambos (por defecto pdf)."),
                                             QStringLiteral("FORMATO"));
static const QCommandLineOption perPageOption(QStringLiteral("fotos-por-pagina"),
                                              QStringLiteral("1, 2 o 4 (por defecto 2)."),
                                              QStringLiteral("N"));
static const QCommandLineOption paperOption(QStringLiteral("pagina"),
                                            QStringLiteral("a4 o carta (por defecto a4)."),
                                            QStringLiteral("TAMAÑO"));
static const QCommandLineOption projectOption(QStringLiteral("proyecto"),
                                              QStringLiteral("Proyecto del encabezado."),
                                              QStringLiteral("TEXTO"));
static const QCommandLineOption clientOption(QStringLiteral("cliente"),
                                             QStringLiteral("Cliente del encabezado."),
                                             QStringLiteral("TEXTO"));
static const QCommandLineOption authorOption(QStringLiteral("responsable"),
                                             QStringLiteral("Responsable del encabezado."),
                                             QStringLiteral("TEXTO"));
// The title block's texts: option name, its help and the field it fills.
struct TitleOption
{
    QCommandLineOption option;
    QString ReportTitle::*field;
};
static const TitleOption titleOptions[] = {
        {{QStringLiteral("titulo"),
          QStringLiteral("Título del anexo (por defecto «Registro "
                         "fotográfico»)."),
          QStringLiteral("TEXTO")},
         &ReportTitle::title},
        {{QStringLiteral("codigo"), QStringLiteral("Código del documento."),
          QStringLiteral("TEXTO")},
         &ReportTitle::code},
        {{QStringLiteral("revision"), QStringLiteral("Revisión del documento."),
          QStringLiteral("TEXTO")},
         &ReportTitle::revision},
        {{QStringLiteral("elaborado"), QStringLiteral("Elaborado por."), QStringLiteral("TEXTO")},
         &ReportTitle::preparedBy},
        {{QStringLiteral("revisado"), QStringLiteral("Revisado por."), QStringLiteral("TEXTO")},
         &ReportTitle::reviewedBy},
        {{QStringLiteral("aprobado"), QStringLiteral("Aprobado por."), QStringLiteral("TEXTO")},
         &ReportTitle::approvedBy},
        {{QStringLiteral("empresa"), QStringLiteral("Empresa, en el pie de cada página."),
          QStringLiteral("TEXTO")},
         &ReportTitle::company},
};
static const QCommandLineOption coverOption(QStringLiteral("portada"),
                                            QStringLiteral("Agrega una portada."));
static const QCommandLineOption
        photoIndexOption(QStringLiteral("indice"),
                         QStringLiteral("Agrega el índice de fotografías."));
static const QCommandLineOption profileOption(
        QStringLiteral("perfil"),
        QStringLiteral("Perfil guardado desde la ventana: datos del proyecto y logo."),
        QStringLiteral("PERFIL.json"));
static const QCommandLineOption captionsOption(
        QStringLiteral("csv"),
        QStringLiteral("Archivo de coordenadas cuya columna descripcion da el pie de las fotos "
                       "que no tienen descripción propia."),
        QStringLiteral("ARCHIVO"));
static const QCommandLineOption targetOption(
        QStringLiteral("salida"),
        QStringLiteral("Archivo que se escribe (por defecto CARPETA/registro_fotografico.pdf o "
                       ".docx); con ambos, su nombre con cada terminación."),
        QStringLiteral("ARCHIVO"));

// The value of `option` among `choices`, its index in `chosen`; the default
// index when the option is not given.
static bool choose(const QCommandLineParser &parser, const QCommandLineOption &option,
                   const QStringList &choices, int &chosen)
{
    if (!parser.isSet(option))
        return true;
    chosen = int(choices.indexOf(parser.value(option).toLower()));
    return chosen >= 0;
}

// The choices of the options, or the exit code of the first one that is wrong.
static int readChoices(const QCommandLineParser &parser, ReportSettings &settings)
{
    const QStringList formats {"pdf", "docx", "ambos"};
    int format = 0;
    if (!choose(parser, formatOption, formats, format))
        return badArgument(QStringLiteral("--formato"),
                           QStringLiteral("debe ser pdf, docx o ambos."));
    settings.format = static_cast<ReportFormat>(format);
    const QStringList counts {"1", "2", "4"};
    int count = 1;
    if (!choose(parser, perPageOption, counts, count))
        return badArgument(QStringLiteral("--fotos-por-pagina"),
                           QStringLiteral("debe ser 1, 2 o 4."));
    settings.photosPerPage = counts.at(count).toInt();
    int paper = 0;
    if (!choose(parser, paperOption, {"a4", "carta"}, paper))
        return badArgument(QStringLiteral("--pagina"), QStringLiteral("debe ser a4 o carta."));
    settings.paper = paper == 1 ? ReportPaper::Letter : ReportPaper::A4;
    return exitDone;
}

// The profile's project data and the logo, subfolders and coordinate system
// of a window that loaded it; the options given win over the profile.
static int readProfileValues(const QCommandLineParser &parser, ReportSettings &settings)
{
    ReportDetails details;
    QString crsCode;
    if (parser.isSet(profileOption)) {
        const auto profile = readProfile(parser.value(profileOption));
        // Keys the report does not use (camera zone, clock correction) may be refused.
        QStringList refusedKeys;
        const auto options = profile
                ? windowOptions(parser.value(profileOption), QString(), refusedKeys)
                : std::nullopt;
        if (!options)
            return badArgument(QStringLiteral("--perfil"),
                               QStringLiteral("«%1» no es un perfil legible.")
                                       .arg(parser.value(profileOption)));
        details = reportDetailsFrom(*profile);
        settings.logoPath = options->logoPath;
        settings.includeSubdirectories = options->includeSubdirectories;
        crsCode = options->outputCrs;
    }
    int exitCode = exitDone;
    settings.crs = commandCrs(parser, crsCode, exitCode);
    if (exitCode != exitDone)
        return exitCode;
    settings.project = parser.isSet(projectOption) ? parser.value(projectOption) : details.project;
    settings.client = parser.isSet(clientOption) ? parser.value(clientOption) : details.client;
    settings.author = parser.isSet(authorOption) ? parser.value(authorOption) : details.author;
    settings.title = details.title;
    for (const TitleOption &text : titleOptions) {
        if (parser.isSet(text.option))
            settings.title.*text.field = parser.value(text.option);
    }
    settings.title.cover |= parser.isSet(coverOption);
    settings.title.photoIndex |= parser.isSet(photoIndexOption);
    return exitDone;
}

static int runReport(const QCommandLineParser &parser, const QStringList &values)
{
    ReportSettings settings;
    settings.folder = values.first();
    int exitCode = readChoices(parser, settings);
    if (exitCode == exitDone)
        exitCode = readProfileValues(parser, settings);
    if (exitCode != exitDone)
        return exitCode;
    if (!QFileInfo(settings.folder).isDir())
        return badArgument(QStringLiteral("CARPETA"),
                           QStringLiteral("no existe la carpeta «%1».").arg(settings.folder));
    const QString target = parser.isSet(targetOption)
            ? parser.value(targetOption)
            : QDir(settings.folder).filePath(QLatin1String(reportBaseName));
    const QString targetProblem = reportTargetProblem(target);
    if (!targetProblem.isEmpty())
        return badArgument(QStringLiteral("--salida"), targetProblem);
    settings.includeSubdirectories |= parser.isSet(subfoldersOption());
    if (parser.isSet(captionsOption)) {
        settings.captionsFile = parser.value(captionsOption);
        if (!QFileInfo(settings.captionsFile).isFile())
            return badArgument(
                    QStringLiteral("--csv"),
                    QStringLiteral("no existe el archivo «%1».").arg(settings.captionsFile));
    }
    settings.date = QDate::currentDate();
    settings.fontPath = bundledFontPath();
    setReportTargets(settings, target);
    ConsoleOutput output(QStringLiteral("Dibujadas %1 de %2 fotos"));
    output.log()(QStringLiteral("Creando el registro fotográfico de las fotos de: ")
                 + settings.folder);
    const ReportOutcome outcome
            = writePhotoReport(settings, output.log(), output.progress(), &stopFlagOnSignals());
    if (outcome.stopped)
        return 128 + stopSignal();
    return outcome.failed ? exitFailed : exitDone;
}

Command reportCommand()
{
    QList<QCommandLineOption> options {formatOption,  perPageOption, paperOption,
                                       projectOption, clientOption,  authorOption};
    for (const TitleOption &text : titleOptions)
        options << text.option;
    options << coverOption << photoIndexOption << profileOption << captionsOption << targetOption
            << subfoldersOption()
            << crsOption(QStringLiteral("Sistema del este y el norte de las tablas y del mapa; "
                                        "por defecto, el del perfil."));
    return {QStringLiteral("informe"),
            QStringLiteral("Crea el registro fotográfico (PDF o Word) de las fotos de CARPETA."),
            {QStringLiteral("CARPETA")},
            {QStringLiteral("Carpeta de fotos; se leen, nunca se modifican.")},
            options,
            runReport};
}
