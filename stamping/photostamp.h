#ifndef PHOTOSTAMP_H
#define PHOTOSTAMP_H

#include "geo/crs.h"
#include "geo/utmposition.h"

#include <QDateTime>
#include <QString>

// The values of one photo that the overlays stamp on it.
struct PhotoStamp
{
    QDateTime captureTime;
    QString utmName; // "19H 345678 6300000", without the prefix
    UtmPosition position = fallbackPosition;
    // With a chosen coordinate system `position` holds its easting and
    // northing (and a UTM system's zone); then `crsText` is the stamped
    // coordinates line and `wgs84` the photo's true position.
    QString crsText;
    std::optional<LatLon> wgs84;
    QString photoPath; // the photo as collected
    // The photo's description: its coordinates-file row's, else its own
    // caption; empty when it has none.
    QString description;
    // The position the photo's own EXIF gives, as read with its metadata;
    // empty when it has none.
    std::optional<LatLon> exifPosition;
};

#endif // PHOTOSTAMP_H
