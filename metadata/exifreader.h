#ifndef EXIFREADER_H
#define EXIFREADER_H

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

#include <exiv2/exiv2.hpp>

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

// The camera's clock reading of a photo as its EXIF holds it, without a zone.
struct CaptureClock
{
    QDate date; // Exif.Photo.DateTimeOriginal
    QTime time; // with Exif.Photo.SubSecTimeOriginal as milliseconds
    QString offset; // Exif.Photo.OffsetTimeOriginal as written; empty when absent
};

// From an EXIF block already read: false when DateTimeOriginal is missing or
// not a valid reading.
bool readCaptureClock(const Exiv2::ExifData &exif, CaptureClock &clock);

// From an EXIF block already read: false when the tag is missing or damaged.
bool readImageDirection(const Exiv2::ExifData &exif, double &direction);
bool readGpsAltitude(const Exiv2::ExifData &exif, double &altitude);

#endif // EXIFREADER_H
