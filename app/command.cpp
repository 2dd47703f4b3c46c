#include "app/command.h"

#include <cstdio>

int badArgument(const QString &argument, const QString &problem)
{
    const QString text = QStringLiteral("rumbario: %1: %2\n").arg(argument, problem);
    std::fputs(text.toUtf8().constData(), stderr);
    return exitBadArguments;
}

QCommandLineOption subfoldersOption()
{
    return QCommandLineOption(QStringLiteral("subcarpetas"),
                              QStringLiteral("Incluye las subcarpetas."));
}
