#ifndef EXIFWRITER_H
#define EXIFWRITER_H

#include <QDateTime>

#include <exiv2/exiv2.hpp>

// Fills GPS position, direction, altitude, GPS date/time stamps and the three
// date-time tags of `exif` from a coordinates-file row (UTM in metres,
// direction in degrees, altitude in metres, local date-time). A position or
// altitude that cannot be on Earth is left out, never written damaged.
void writeRecordToExif(Exiv2::ExifData &exif, int zone, char letter, double easting,
                       double northing, double direction, bool hasDirection, double altitude,
                       bool hasAltitude, const QDateTime &dateTime);

#endif // EXIFWRITER_H
