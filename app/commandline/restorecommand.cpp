#include "app/commandline/restorecommand.h"

#include "app/commandline/consoleoutput.h"
#include "app/commandline/stopsignal.h"
#include "processing/photorestore.h"

#include <QCommandLineParser>
#include <QFileInfo>

static int runRestore(const QCommandLineParser &parser, const QStringList &values)
{
    const QString &folder = values.at(0);
    if (!QFileInfo(folder).isDir())
        return badArgument(QStringLiteral("CARPETA"),
                           QStringLiteral("no existe la carpeta «%1».").arg(folder));
    ConsoleOutput output(QStringLiteral("Restauradas %1 de %2 fotos"));
    const RestorePlan plan = planRestore(folder, parser.isSet(subfoldersOption()));
    output.log()(restorePlanText(plan));
    const RestoreOutcome outcome
            = restoreOriginals(folder, plan, output.log(), output.progress(), &stopFlagOnSignals());
    if (outcome.stopped)
        return 128 + stopSignal();
    const bool allBack
            = outcome.refusal.isEmpty() && outcome.notRestored == 0 && plan.withoutBackup.isEmpty();
    return allBack ? exitDone : exitFailed;
}

Command restoreCommand()
{
    return {QStringLiteral("restaurar"),
            QStringLiteral("Devuelve los originales de Backup a las fotos estampadas de CARPETA."),
            {QStringLiteral("CARPETA")},
            {QStringLiteral("Carpeta de fotos estampadas.")},
            {subfoldersOption()},
            runRestore};
}
