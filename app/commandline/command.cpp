#include "app/commandline/command.h"

#include <cstdio>

int badArgument(const QString &argument, const QString &problem)
{
    const QString text = QStringLiteral("rumbario: %1: %2\n").arg(argument, problem);
    std::fputs(text.toUtf8().constData(), stderr);
    return exitBadArguments;
}

QCommandLineOption crsOption(const QString &effect)
{
    return QCommandLineOption(crsOptionName,
                              effect
                                      + QStringLiteral(" Un sistema proyectado por su código o su "
                                                       "nombre (p. ej. EPSG:24879, PSAD56 / UTM "
                                                       "19S); sin él, WGS 84 / UTM según cada "
                                                       "foto."),
                              QStringLiteral("EPSG:NNNN"));
}

std::shared_ptr<const CrsTransform> commandCrs(const QString &code, const QString &argument,
                                               int &exitCode)
{
    if (code.isEmpty())
        return nullptr;
    QString problem;
    std::shared_ptr<const CrsTransform> crs;
    if (const auto entry = findProjectedCrs(code, problem))
        crs = crsTransform(entry->epsg, problem);
    if (!crs)
        exitCode = badArgument(argument, problem);
    return crs;
}

QCommandLineOption subfoldersOption()
{
    return QCommandLineOption(QStringLiteral("subcarpetas"),
                              QStringLiteral("Incluye las subcarpetas."));
}
