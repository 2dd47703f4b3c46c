#ifndef EXIFREADER_H
#define EXIFREADER_H

#include <QDateTime>
#include <QString>

// Capture time from Exif.Photo.DateTimeOriginal, else Exif.Image.DateTime, as
// local time. Takes exifMutex. Leaves dateTime untouched when none is found.
bool readCaptureDateTime(const QString &path, QDateTime &dateTime);

// GPS position (decimal degrees, south and west negative), image direction
// (degrees as stored) and altitude (metres, below sea level negative).
// Returns true when latitude and longitude were both read as EXIF rationals
// and lie on the globe (within 90 and 180 degrees); direction and altitude
// stay 0 when absent or not rationals.
bool readGpsFromExif(const QString &path, double &latitude, double &longitude, double &direction,
                     double &altitude);

#endif // EXIFREADER_H
