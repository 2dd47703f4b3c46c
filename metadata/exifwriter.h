#ifndef EXIFWRITER_H
#define EXIFWRITER_H

#include "geo/utmposition.h"

#include <QDateTime>

#include <exiv2/exiv2.hpp>

// Fills GPS position, direction and altitude (those known), GPS date/time
// stamps and the three date-time tags of `exif` from a coordinates-file row:
// its position and its local date-time.
void writeRecordToExif(Exiv2::ExifData &exif, const UtmPosition &position,
                       const QDateTime &dateTime);

#endif // EXIFWRITER_H
