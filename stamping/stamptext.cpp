#include "stamping/stamptext.h"

#include "geo/angletext.h"
#include "geo/numbers.h"
#include "geo/utm.h"

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
