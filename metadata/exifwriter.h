#ifndef EXIFWRITER_H
#define EXIFWRITER_H

#include "geo/utmposition.h"

#include <QDateTime>

#include <exiv2/exiv2.hpp>

#include <optional>

// Fills GPS position, direction and altitude (those known), GPS date/time
// stamps and the three date-time tags of `exif` from a coordinates-file row:
// its position and its local date-time. A position or altitude that cannot
// be on Earth is left out, never written damaged.
void writeRecordToExif(Exiv2::ExifData &exif, const UtmPosition &position,
                       const QDateTime &dateTime);

// Geotags `exif` with a position found on a GPS track (degrees, seconds to
// 1/10000), its altitude when known (metres) and the UTC instant of the
// photo, datum WGS-84. Every other tag stays as it is.
void writeTrackPositionToExif(Exiv2::ExifData &exif, double latitude, double longitude,
                              std::optional<double> altitude, const QDateTime &utc);

#endif // EXIFWRITER_H
