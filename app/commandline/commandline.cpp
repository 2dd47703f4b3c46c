#include "app/commandline/commandline.h"

#include "app/commandline/command.h"
#include "app/commandline/coordinatescommands.h"
#include "app/commandline/processcommand.h"
#include "app/commandline/reportcommand.h"
#include "app/commandline/restorecommand.h"
#include "app/startup.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <vector>

// Each command of the program is one entry here.
static std::vector<Command> commands()
{
    return {processCommand(), restoreCommand(), altitudeCommand(),
            sampleCommand(),  exportCommand(),  reportCommand()};
}

static const Command *findCommand(const std::vector<Command> &list, const QString &name)
{
    for (const auto &command : list) {
        if (command.name == name)
            return &command;
    }
    return nullptr;
}

bool wantsCommandLine(int argc, char *argv[])
{
    if (argc < 2)
        return false;
    const QString first = QString::fromLocal8Bit(argv[1]);
    return !first.startsWith(QLatin1Char('-'))
            || QStringList {"-h", "--help", "-v", "--version"}.contains(first);
}

static void print(const QString &text)
{
    std::fputs(text.toUtf8().constData(), stdout);
}

// The help names the program (and the command) as users type it, not by the
// path it was started from.
static void printHelp(const QCommandLineParser &parser, const QString &typed)
{
    print(parser.helpText().replace(QCoreApplication::arguments().constFirst(), typed));
}

static QString overview(const std::vector<Command> &list)
{
    QString text = QStringLiteral("Rumbario renombra y estampa fotos de campo según su posición "
                                  "UTM.\nSin argumentos abre la ventana.\n\nÓrdenes:\n");
    for (const auto &command : list)
        text += QStringLiteral("  %1  %2\n").arg(command.name.leftJustified(9), command.summary);
    return text + QStringLiteral("\nAyuda de una orden: rumbario ORDEN --help");
}

// The command's name is no argument of its own: its help lists only the
// arguments it describes, and shows the name in the usage line.
static void declare(QCommandLineParser &parser, const Command &command)
{
    parser.setApplicationDescription(command.summary);
    parser.clearPositionalArguments();
    for (int i = 0; i < command.arguments.size(); ++i)
        parser.addPositionalArgument(command.arguments.at(i), command.argumentHelp.value(i));
    parser.addOptions(command.options);
}

// Runs the command once its arguments parse; help stops before that.
static int runParsed(QCommandLineParser &parser, const Command &command,
                     const QCommandLineOption &help)
{
    declare(parser, command);
    if (!parser.parse(QCoreApplication::arguments()))
        return badArgument(command.name, parser.errorText());
    if (parser.isSet(help)) {
        printHelp(parser, QStringLiteral("rumbario ") + command.name);
        return exitDone;
    }
    const QStringList values = parser.positionalArguments().mid(1);
    if (values.size() < command.arguments.size())
        return badArgument(command.arguments.at(values.size()), QStringLiteral("falta."));
    if (values.size() > command.arguments.size())
        return badArgument(command.name,
                           QStringLiteral("sobra el argumento «%1».")
                                   .arg(values.at(command.arguments.size())));
    return command.run(parser, values);
}

int runCommandLine(int argc, char *argv[])
{
    useOffscreenPlatformUnlessChosen();
    QApplication app(argc, argv);
    prepareApplication(app);
    const auto list = commands();
    QCommandLineParser parser;
    parser.setApplicationDescription(overview(list));
    // Qt's own help option has no Spanish text.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Muestra esta ayuda."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Muestra la versión."));
    parser.addOptions({help, version});
    parser.addPositionalArgument(QStringLiteral("orden"),
                                 QStringLiteral("La orden que se ejecuta."),
                                 QStringLiteral("orden [argumentos]"));
    // Options belong to the commands, so only the first word matters here.
    parser.parse(QCoreApplication::arguments());
    const QString name = parser.positionalArguments().value(0);
    if (const Command *command = findCommand(list, name))
        return runParsed(parser, *command, help);
    if (!name.isEmpty())
        return badArgument(name, QStringLiteral("orden desconocida; vea rumbario --help."));
    if (parser.isSet(version)) {
        print(QStringLiteral("rumbario %1\n").arg(QCoreApplication::applicationVersion()));
        return exitDone;
    }
    printHelp(parser, QStringLiteral("rumbario"));
    return exitDone;
}
