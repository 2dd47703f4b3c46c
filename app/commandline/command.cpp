#include "app/commandline/command.h"

#include <QCommandLineParser>

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

std::shared_ptr<const CrsTransform> commandCrs(const QCommandLineParser &parser,
                                               const QString &profileCode, int &exitCode)
{
    const bool given = parser.isSet(crsOptionName);
    const QString code = given ? parser.value(crsOptionName) : profileCode;
    const QString argument
            = given ? QStringLiteral("--crs") : QStringLiteral("--perfil (outputCrs)");
    // Without the option the program works in WGS 84 / UTM; given empty, it
    // is a mistake.
    if (given && code.trimmed().isEmpty()) {
        exitCode = badArgument(argument,
                               QStringLiteral("falta el sistema (EPSG:NNNN); sin --crs "
                                              "se usa WGS 84 / UTM."));
        return nullptr;
    }
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
