#include "processing/utmname.h"

#include "processing/atomicfile.h"

QString utmName(int zone, char letter, double eastingMetres, double northingMetres)
{
    return QStringLiteral("%1%2 %3 %4")
            .arg(QString::number(zone), QString(QLatin1Char(letter)),
                 QString::number(eastingMetres, 'f', 0), QString::number(northingMetres, 'f', 0));
}

QString freeJpegName(const QDir &folder, const QString &baseName, const QString &ownName)
{
    auto name = baseName + QStringLiteral(".jpg");
    // One-pass arg(): a '%' in a user's prefix must not be substituted.
    for (int counter = 1; name != ownName && isNameTaken(folder.filePath(name)); ++counter)
        name = QStringLiteral("%1 (%2).jpg").arg(baseName, QString::number(counter));
    return folder.filePath(name);
}

QString prefixProblem(const QString &prefix)
{
    if (prefix.contains(QLatin1Char('/')) || prefix.contains(QLatin1Char('\\'))
        || prefix.contains(QLatin1String("..")))
        return QStringLiteral("El prefijo no puede contener '/', '\\' ni '..': las fotos "
                              "saldrían de su carpeta.");
    return QString();
}
