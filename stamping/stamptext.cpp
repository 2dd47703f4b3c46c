#include "stamping/stamptext.h"

#include "geo/angletext.h"
#include "geo/numbers.h"
#include "geo/utm.h"

#include <QFontMetrics>
#include <QLocale>

QString coordinatesText(const PhotoStamp &photo, bool drawGeo, bool useExif)
{
    const QString utmText
            = photo.crsText.isEmpty() ? QStringLiteral("UTM ") + photo.utmName : photo.crsText;
    if (!drawGeo)
        return utmText;
    double latitude = 0.0;
    double longitude = 0.0;
    if (useExif) {
        if (!photo.exifPosition)
            return utmText;
        latitude = photo.exifPosition->latitude;
        longitude = photo.exifPosition->longitude;
    } else if (photo.wgs84) {
        latitude = photo.wgs84->latitude;
        longitude = photo.wgs84->longitude;
    } else {
        utmToLatLon(photo.position.zone, photo.position.letter, photo.position.easting,
                    photo.position.northing, latitude, longitude);
    }
    return formatLatLonDms(latitude, longitude);
}

QString crsCoordinatesText(const UtmPosition &position, const CrsTransform &crs)
{
    return QStringLiteral("%1  E %2  N %3")
            .arg(crs.shortName(), QString::number(position.easting, 'f', 0),
                 QString::number(position.northing, 'f', 0));
}

QString orientationText(double orientation)
{
    const long long degrees = roundHalfAwayFromZero(orientation) % 360;
    // The sign stays in front of the padding: -7.4 gives "-007", not "0-7".
    const QString digits = QString::number(qAbs(degrees)).rightJustified(3, QLatin1Char('0'));
    return QStringLiteral("%1%2° %3")
            .arg(degrees < 0 ? QStringLiteral("-") : QString(), digits,
                 compassPointName(orientation));
}

QString roseCentreText(double orientation)
{
    return QStringLiteral("%1° %2").arg(QString::number(roundHalfAwayFromZero(orientation)),
                                        compassPointName(orientation));
}

QString altitudeText(double altitude)
{
    return QStringLiteral("Altitud: %1 msnm").arg(QString::number(roundHalfAwayFromZero(altitude)));
}

QString dateText(const QDateTime &captureTime, bool withTime)
{
    return QLocale::c().toString(captureTime,
                                 withTime ? QStringLiteral("dd/MM/yyyy HH:mm:ss")
                                          : QStringLiteral("dd/MM/yyyy"));
}

// Splits a word too wide for a line into pieces that fit, at least one
// character each.
static QStringList brokenWord(const QString &word, const QFontMetrics &metrics, int width)
{
    QStringList pieces;
    QString piece;
    for (const QChar c : word) {
        if (!piece.isEmpty() && metrics.horizontalAdvance(piece + c) > width) {
            pieces << piece;
            piece.clear();
        }
        piece += c;
    }
    if (!piece.isEmpty())
        pieces << piece;
    return pieces;
}

QStringList wrappedLines(const QString &text, const QFontMetrics &metrics, int width)
{
    QStringList lines;
    QString line;
    for (const QString &word : text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString joined = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (metrics.horizontalAdvance(joined) <= width) {
            line = joined;
            continue;
        }
        if (!line.isEmpty())
            lines << line;
        QStringList pieces = brokenWord(word, metrics, width);
        line = pieces.takeLast();
        lines << pieces;
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}
