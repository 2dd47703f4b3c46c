#ifndef EXIFREADER_H
#define EXIFREADER_H

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

#include <exiv2/exiv2.hpp>

#include <optional>

// Capture time from Exif.Photo.DateTimeOriginal, else Exif.Image.DateTime.
// With a valid Exif.Photo.OffsetTimeOriginal the original reading carries
// that offset from UTC; otherwise it is local time, its zone unknown. Leaves
// dateTime untouched when none is found.
bool readCaptureDateTime(const Exiv2::ExifData &exif, QDateTime &dateTime);
// The same for the photo at `path`, read with one open under exifMutex.
bool readCaptureDateTime(const QString &path, QDateTime &dateTime);

// GPSAltitude with its reference (metres, below sea level negative).
struct ExifAltitude
{
    std::optional<double> metres; // within isPlausibleAltitude; empty when absent or damaged
    std::optional<double> discarded; // the value as stored when it is outside that range
};

// A photo's GPS tags: position in decimal degrees (south and west negative),
// image direction in degrees as stored, and altitude, each of the last two
// only when present as EXIF rationals, and the receiver's instant.
struct GpsReading
{
    double latitude = 0.0;
    double longitude = 0.0;
    std::optional<double> direction;
    ExifAltitude altitude;
    // GPSDateStamp and GPSTimeStamp, in UTC; empty unless both are valid.
    std::optional<QDateTime> instant;
};

// Empty unless latitude and longitude were both read as EXIF rationals and
// lie on the globe (within 90 and 180 degrees).
std::optional<GpsReading> readGpsFromExif(const Exiv2::ExifData &exif);
// The same for the photo at `path`, read with one open.
std::optional<GpsReading> readGpsFromExif(const QString &path);

// The log line for an altitude of `fileName` outside the plausible range.
QString discardedAltitudeLine(const QString &fileName, double metres);

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

// From an EXIF block already read: empty when the tag is missing or damaged.
std::optional<double> readImageDirection(const Exiv2::ExifData &exif);
ExifAltitude readGpsAltitude(const Exiv2::ExifData &exif);

#endif // EXIFREADER_H
