#include "metadata/exifwriter.h"

#include "geo/globelimits.h"
#include "geo/numbers.h"
#include "geo/utm.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <string>

// A rounded, non-negative magnitude as an unsigned 32-bit numerator;
// values beyond the type saturate instead of wrapping.
static std::uint32_t numerator(double magnitude)
{
    const long long rounded = roundHalfAwayFromZero(magnitude);
    const long long largest = std::numeric_limits<std::uint32_t>::max();
    return static_cast<std::uint32_t>(std::clamp(rounded, 0LL, largest));
}

static void writeRationals(Exiv2::ExifData &exif, const char *key,
                           std::initializer_list<Exiv2::URational> components)
{
    Exiv2::URationalValue value;
    for (const Exiv2::URational &component : components)
        value.value_.push_back(component);
    exif[key] = value;
}

static void writeText(Exiv2::ExifData &exif, const char *key, const std::string &text)
{
    exif[key] = text;
}

// Degrees and minutes truncated, seconds to 1/`secondsScale`. Seconds are not
// carried: 59.9999 s stays 60000/1000 in the same minute.
static void writeDms(Exiv2::ExifData &exif, const char *key, double degrees,
                     std::uint32_t secondsScale = 1000)
{
    const double magnitude = std::fabs(degrees);
    const double whole = static_cast<double>(truncToInteger(magnitude));
    const double minutes = static_cast<double>(truncToInteger((magnitude - whole) * 60.0));
    const double seconds = (magnitude - whole - minutes / 60.0) * 3600.0;
    writeRationals(exif, key,
                   {{numerator(whole), 1},
                    {numerator(minutes), 1},
                    {numerator(seconds * secondsScale), secondsScale}});
}

// Hundredths of a degree; a negative bearing has no unsigned form, so it is
// written as the same bearing in [0, 360). Bearings of 360 and more stay.
static std::uint32_t directionHundredths(double degrees)
{
    const long long hundredths = roundHalfAwayFromZero(degrees * 100.0);
    if (hundredths >= 0)
        return numerator(static_cast<double>(hundredths));
    return static_cast<std::uint32_t>((hundredths % 36000 + 36000) % 36000);
}

static void writeGpsStamps(Exiv2::ExifData &exif, const QDateTime &utc)
{
    writeText(exif, "Exif.GPSInfo.GPSDateStamp",
              utc.toString(QStringLiteral("yyyy:MM:dd")).toStdString());
    const QTime utcTime = utc.time();
    writeRationals(exif, "Exif.GPSInfo.GPSTimeStamp",
                   {{static_cast<std::uint32_t>(utcTime.hour()), 1},
                    {static_cast<std::uint32_t>(utcTime.minute()), 1},
                    {static_cast<std::uint32_t>(utcTime.second()), 1}});
}

void writeRecordToExif(Exiv2::ExifData &exif, const UtmPosition &position,
                       const QDateTime &dateTime)
{
    double latitude = 0.0;
    double longitude = 0.0;
    utmToLatLon(position.zone, position.letter, position.easting, position.northing, latitude,
                longitude);
    if (isUtmPosition(position.zone, position.letter, position.easting, position.northing)
        && isOnGlobe(latitude, longitude)) {
        writeText(exif, "Exif.GPSInfo.GPSLatitudeRef", latitude >= 0 ? "N" : "S");
        writeDms(exif, "Exif.GPSInfo.GPSLatitude", latitude);
        writeText(exif, "Exif.GPSInfo.GPSLongitudeRef", longitude >= 0 ? "E" : "W");
        writeDms(exif, "Exif.GPSInfo.GPSLongitude", longitude);
    }

    if (position.orientation) {
        writeRationals(exif, "Exif.GPSInfo.GPSImgDirection",
                       {{directionHundredths(*position.orientation), 100}});
        writeText(exif, "Exif.GPSInfo.GPSImgDirectionRef", "T");
    }
    const auto altitude = position.altitude;
    if (altitude && isPlausibleAltitude(*altitude)) {
        writeRationals(exif, "Exif.GPSInfo.GPSAltitude",
                       {{numerator(std::fabs(*altitude) * 100.0), 100}});
        writeText(exif, "Exif.GPSInfo.GPSAltitudeRef", *altitude < 0 ? "1" : "0");
    }

    QDateTime local = dateTime;
    local.setTimeSpec(Qt::LocalTime);
    if (!local.isValid())
        local = QDateTime::currentDateTime();
    const QDateTime utc = local.toUTC();

    const std::string localText
            = local.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")).toStdString();
    writeText(exif, "Exif.Photo.DateTimeOriginal", localText);
    writeText(exif, "Exif.Photo.DateTimeDigitized", localText);
    writeText(exif, "Exif.Image.DateTime", localText);
    writeText(exif, "Exif.GPSInfo.GPSVersionID", "2 3 0 0");
    writeGpsStamps(exif, utc);
}

void writeTrackPositionToExif(Exiv2::ExifData &exif, double latitude, double longitude,
                              std::optional<double> altitude, const QDateTime &utc)
{
    writeText(exif, "Exif.GPSInfo.GPSVersionID", "2 3 0 0");
    writeText(exif, "Exif.GPSInfo.GPSLatitudeRef", latitude >= 0 ? "N" : "S");
    writeDms(exif, "Exif.GPSInfo.GPSLatitude", latitude, 10000);
    writeText(exif, "Exif.GPSInfo.GPSLongitudeRef", longitude >= 0 ? "E" : "W");
    writeDms(exif, "Exif.GPSInfo.GPSLongitude", longitude, 10000);
    if (altitude) {
        writeRationals(exif, "Exif.GPSInfo.GPSAltitude",
                       {{numerator(std::fabs(*altitude) * 100.0), 100}});
        writeText(exif, "Exif.GPSInfo.GPSAltitudeRef", *altitude < 0 ? "1" : "0");
    }
    writeGpsStamps(exif, utc);
    writeText(exif, "Exif.GPSInfo.GPSMapDatum", "WGS-84");
}
