#ifndef LOCATIONRECORD_H
#define LOCATIONRECORD_H

#include "stamping/photostamp.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// One located photo as the location files (KMZ, GeoJSON, CSV) describe it.
struct LocationRecord
{
    QString fileName;
    QString relativePath; // below the folder the files are written in, '/' separators
    double latitude = 0.0; // WGS84 degrees, south negative
    double longitude = 0.0; // WGS84 degrees, west negative
    UtmPosition position; // with the direction (degrees from north) and altitude when known
    // The capture time; with an offset or in UTC when its zone is known, in
    // local time (written without a zone) when not; invalid when unknown.
    QDateTime dateTime;
    QByteArray thumbnail; // JPEG, longer side at most 640 px; empty when none
    int epsg = 0; // the system of the position's easting and northing; 0: WGS 84 / UTM
};

// The record of the photo at `photoPath` from the values stamped on it and
// its WGS84 position; the relative path is taken below `folder`. No thumbnail.
LocationRecord locationRecord(const PhotoStamp &stamp, double latitude, double longitude,
                              const QString &photoPath, const QString &folder);

// "2024-03-05T14:30:00-03:00": ISO 8601 with the offset from UTC when the
// zone is known, "2024-03-05T14:30:00" without one for a local time (zone
// unknown); empty for an invalid time.
QString isoDateTime(const QDateTime &dateTime);

// The EPSG code of WGS84 / UTM in `zone`: 326zz north of the equator, 327zz
// south of it, as the band letter says.
int utmEpsgCode(int zone, char letter);

#endif // LOCATIONRECORD_H
