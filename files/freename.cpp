#include "files/freename.h"

#include "files/atomicfile.h"

#include <algorithm>

QString numberedFileName(const QString &baseName, const QString &suffix, int number)
{
    if (number == 0)
        return baseName + QLatin1Char('.') + suffix;
    // One-pass arg(): a '%' in a user's prefix must not be substituted.
    return QStringLiteral("%1 (%2).%3").arg(baseName, QString::number(number), suffix);
}

QString freeFileName(const QDir &folder, const QString &baseName, const QString &suffix,
                     const QString &ownName)
{
    auto name = numberedFileName(baseName, suffix, 0);
    for (int counter = 1; name != ownName && isNameTaken(folder.filePath(name)); ++counter)
        name = numberedFileName(baseName, suffix, counter);
    return folder.filePath(name);
}

QString prefixProblem(const QString &prefix)
{
    if (prefix.contains(QLatin1Char('/')) || prefix.contains(QLatin1Char('\\'))
        || prefix.contains(QLatin1String("..")))
        return QStringLiteral("El prefijo no puede contener '/', '\\' ni '..': las fotos "
                              "saldrían de su carpeta.");
    // A NUL ends the name where the system reads it: the photo would lose
    // its extension, or its whole name.
    const auto isControl = [](QChar c) {
        return c.category() == QChar::Other_Control;
    };
    if (std::any_of(prefix.begin(), prefix.end(), isControl))
        return QStringLiteral("El prefijo no puede contener caracteres de control (NUL, "
                              "tabuladores, saltos de línea…).");
    return QString();
}
