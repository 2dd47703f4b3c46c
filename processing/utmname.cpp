#include "processing/utmname.h"

#include "processing/atomicfile.h"

QString utmName(int zone, char letter, double eastingMetres, double northingMetres)
{
    return QStringLiteral("%1%2 %3 %4")
            .arg(QString::number(zone), QString(QLatin1Char(letter)),
                 QString::number(eastingMetres, 'f', 0), QString::number(northingMetres, 'f', 0));
}

QString freeJpegName(const QDir &folder, const QString &baseName)
{
    auto candidate = folder.filePath(baseName + QStringLiteral(".jpg"));
    // One-pass arg(): a '%' in a user's prefix must not be substituted.
    for (int counter = 1; isNameTaken(candidate); ++counter)
        candidate = folder.filePath(
                QStringLiteral("%1 (%2).jpg").arg(baseName, QString::number(counter)));
    return candidate;
}
