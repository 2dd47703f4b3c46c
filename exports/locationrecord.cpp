#include "exports/locationrecord.h"

#include <QDir>
#include <QFileInfo>

#include <cctype>
#include <cstdlib>

LocationRecord locationRecord(const PhotoStamp &stamp, double latitude, double longitude,
                              const QString &photoPath, const QString &folder)
{
    LocationRecord record;
    record.fileName = QFileInfo(photoPath).fileName();
    record.relativePath = QDir(folder).relativeFilePath(QFileInfo(photoPath).absoluteFilePath());
    record.latitude = latitude;
    record.longitude = longitude;
    record.position = stamp.position;
    record.dateTime = stamp.captureTime;
    return record;
}

QString isoDateTime(const QDateTime &dateTime)
{
    if (!dateTime.isValid())
        return {};
    const QString reading = dateTime.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss"));
    // A clock reading in no known zone: its readers take it as local time.
    if (dateTime.timeSpec() == Qt::LocalTime)
        return reading;
    const int offsetMinutes = dateTime.offsetFromUtc() / 60;
    const int magnitude = std::abs(offsetMinutes);
    return reading
            + QStringLiteral("%1%2:%3")
                      .arg(offsetMinutes < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                      .arg(magnitude / 60, 2, 10, QLatin1Char('0'))
                      .arg(magnitude % 60, 2, 10, QLatin1Char('0'));
}

int utmEpsgCode(int zone, char letter)
{
    const bool north = std::toupper(static_cast<unsigned char>(letter)) >= 'N';
    return (north ? 32600 : 32700) + zone;
}
