#include "metadata/exifreader.h"

#include "files/localdatetime.h"
#include "geo/globelimits.h"
#include "geo/numbers.h"
#include "metadata/exiv2compat.h"
#include "metadata/metadatacopy.h"

#include <QDebug>
#include <QRegularExpression>

#include <exiv2/exiv2.hpp>

#include <exception>

static const Exiv2::Exifdatum *findDatum(const Exiv2::ExifData &exif, const char *key)
{
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    return it == exif.end() ? nullptr : &*it;
}

// Component `n` of a rational tag as a double. False when it is missing, not
// a number, or has a zero denominator: a damaged tag must never turn into an
// infinite or NaN position.
static bool rationalComponent(const Exiv2::Value &value, long n, double &result)
{
    // Only the rational types EXIF defines: a text such as "33 26 25.44"
    // would be read from its character codes.
    const Exiv2::TypeId type = value.typeId();
    if (type != Exiv2::unsignedRational && type != Exiv2::signedRational)
        return false;
    if (n >= static_cast<long>(value.count()))
        return false;
    // Read unsigned rationals as such: converting them to signed ones would
    // turn numerators above 2^31 negative.
    if (const auto *unsignedValue = dynamic_cast<const Exiv2::URationalValue *>(&value)) {
        const Exiv2::URational component = unsignedValue->value_.at(static_cast<std::size_t>(n));
        if (component.second == 0)
            return false;
        result = static_cast<double>(component.first) / static_cast<double>(component.second);
        return true;
    }
    const Exiv2::Rational component = value.toRational(n);
    if (!value.ok() || component.second == 0)
        return false;
    result = static_cast<double>(component.first) / static_cast<double>(component.second);
    return true;
}

static bool firstComponent(const Exiv2::ExifData &exif, const char *key, double &result)
{
    const Exiv2::Exifdatum *datum = findDatum(exif, key);
    return datum && rationalComponent(datum->value(), 0, result);
}

// Degrees, minutes and seconds in the first three components.
static bool dmsDegrees(const Exiv2::Exifdatum &datum, double &degrees)
{
    const Exiv2::Value &value = datum.value();
    double parts[3];
    for (long n = 0; n < 3; ++n) {
        if (!rationalComponent(value, n, parts[n]))
            return false;
    }
    degrees = parts[0] + parts[1] / 60.0 + parts[2] / 3600.0;
    return true;
}

// Only the single letter counts; "South" or an empty text leave the value
// positive.
static bool isReference(const Exiv2::Exifdatum &reference, char upper, char lower)
{
    const std::string text = reference.toString();
    return text.size() == 1 && (text[0] == upper || text[0] == lower);
}

static bool readPosition(const Exiv2::ExifData &exif, double &latitude, double &longitude)
{
    const Exiv2::Exifdatum *latitudeDatum = findDatum(exif, "Exif.GPSInfo.GPSLatitude");
    const Exiv2::Exifdatum *latitudeRef = findDatum(exif, "Exif.GPSInfo.GPSLatitudeRef");
    const Exiv2::Exifdatum *longitudeDatum = findDatum(exif, "Exif.GPSInfo.GPSLongitude");
    const Exiv2::Exifdatum *longitudeRef = findDatum(exif, "Exif.GPSInfo.GPSLongitudeRef");
    if (!latitudeDatum || !latitudeRef || !longitudeDatum || !longitudeRef)
        return false;
    double latitudeDegrees = 0.0;
    double longitudeDegrees = 0.0;
    if (!dmsDegrees(*latitudeDatum, latitudeDegrees)
        || !dmsDegrees(*longitudeDatum, longitudeDegrees))
        return false;
    // A position off the globe is as damaged as a zero denominator: every
    // reader of it, naming and stamping alike, must fall back the same way.
    if (!isOnGlobe(latitudeDegrees, longitudeDegrees))
        return false;
    latitude = isReference(*latitudeRef, 'S', 's') ? -latitudeDegrees : latitudeDegrees;
    longitude = isReference(*longitudeRef, 'W', 'w') ? -longitudeDegrees : longitudeDegrees;
    return true;
}

// "yyyy:MM:dd HH:mm:ss"; false unless both halves are valid.
static bool splitExifDateTime(const QString &text, QDate &date, QTime &time)
{
    const QStringList parts = text.split(QLatin1Char(' '));
    if (parts.size() != 2)
        return false;
    date = QDate::fromString(parts.at(0), QStringLiteral("yyyy:MM:dd"));
    time = QTime::fromString(parts.at(1), QStringLiteral("HH:mm:ss"));
    return date.isValid() && time.isValid();
}

static QString tagText(const Exiv2::ExifData &exif, const char *key)
{
    const Exiv2::Exifdatum *datum = findDatum(exif, key);
    return datum ? QString::fromStdString(datum->toString()).trimmed() : QString();
}

// With a valid `offsetKey` the reading is known in its own zone; without
// one it is taken as local time, as it always was.
static bool readDateTag(const Exiv2::ExifData &exif, const char *key, const char *offsetKey,
                        QDateTime &dateTime)
{
    QDate date;
    QTime time;
    if (!splitExifDateTime(tagText(exif, key), date, time))
        return false;
    // EXIF writes "±HH:MM"; Qt's ISO reader checks the numbers.
    static const QRegularExpression offsetForm(QStringLiteral("^[+-]\\d\\d:\\d\\d$"));
    const QString offset = offsetKey ? tagText(exif, offsetKey) : QString();
    const QDateTime zoned = QDateTime::fromString(date.toString(Qt::ISODate) + QLatin1Char('T')
                                                          + time.toString(Qt::ISODate) + offset,
                                                  Qt::ISODate);
    dateTime = offsetForm.match(offset).hasMatch() && zoned.isValid()
                    && zoned.timeSpec() != Qt::LocalTime
            ? zoned
            : localDateTime(date, time);
    return dateTime.isValid();
}

bool readCaptureDateTime(const Exiv2::ExifData &exif, QDateTime &dateTime)
{
    // Exiv2's own error type derives from std::exception; whatever else a
    // damaged block provokes is a failed read too, never a crash.
    try {
        return !exif.empty()
                && (readDateTag(exif, "Exif.Photo.DateTimeOriginal",
                                "Exif.Photo.OffsetTimeOriginal", dateTime)
                    || readDateTag(exif, "Exif.Image.DateTime", nullptr, dateTime));
    } catch (const std::exception &error) {
        qDebug() << "Error leyendo metadata para fecha de captura:"
                 << QString::fromUtf8(error.what());
        return false;
    }
}

// GPSDateStamp "yyyy:MM:dd" with the hours, minutes and seconds of
// GPSTimeStamp, in UTC; whole seconds, as the receiver gives them.
static std::optional<QDateTime> readGpsInstant(const Exiv2::ExifData &exif)
{
    const QDate date = QDate::fromString(tagText(exif, "Exif.GPSInfo.GPSDateStamp"),
                                         QStringLiteral("yyyy:MM:dd"));
    const Exiv2::Exifdatum *stamp = findDatum(exif, "Exif.GPSInfo.GPSTimeStamp");
    double parts[3];
    for (long n = 0; n < 3; ++n) {
        if (!stamp || !rationalComponent(stamp->value(), n, parts[n]))
            return std::nullopt;
    }
    // QTime refuses numbers out of range; a damaged huge one is clamped first.
    const QTime time {clampToInt(truncToInteger(parts[0])), clampToInt(truncToInteger(parts[1])),
                      clampToInt(truncToInteger(parts[2]))};
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC);
}

std::optional<GpsReading> readGpsFromExif(const Exiv2::ExifData &exif)
{
    GpsReading reading;
    try {
        if (exif.empty() || !readPosition(exif, reading.latitude, reading.longitude))
            return std::nullopt;
        reading.direction = readImageDirection(exif);
        reading.altitude = readGpsAltitude(exif);
        reading.instant = readGpsInstant(exif);
        return reading;
    } catch (const std::exception &error) {
        qDebug() << "Error leyendo EXIF:" << error.what();
        return std::nullopt;
    }
}

// The EXIF of the photo at `path`, read with one open; empty when it has none
// or cannot be read.
static Exiv2::ExifData readPhotoExif(const QString &path, const char *errorPrefix)
{
    PhotoMetadata metadata;
    QString error;
    if (copyMetadata(path, metadata, error) == MetadataResult::Failed)
        qDebug() << errorPrefix << error;
    return metadata.exif;
}

bool readCaptureDateTime(const QString &path, QDateTime &dateTime)
{
    return readCaptureDateTime(readPhotoExif(path, "Error leyendo metadata para fecha de captura:"),
                               dateTime);
}

std::optional<GpsReading> readGpsFromExif(const QString &path)
{
    return readGpsFromExif(readPhotoExif(path, "Error leyendo EXIF:"));
}

QString discardedAltitudeLine(const QString &fileName, double metres)
{
    return QStringLiteral("Altitud EXIF fuera de rango en %1 (%2 m): la foto queda sin altitud.")
            .arg(fileName, QString::number(metres));
}

std::optional<double> readImageDirection(const Exiv2::ExifData &exif)
{
    double direction = 0.0;
    if (!firstComponent(exif, "Exif.GPSInfo.GPSImgDirection", direction))
        return std::nullopt;
    return direction;
}

// A damaged altitude is no altitude: it must not reach a stamp, a name or a
// tag written back.
ExifAltitude readGpsAltitude(const Exiv2::ExifData &exif)
{
    double altitude = 0.0;
    if (!firstComponent(exif, "Exif.GPSInfo.GPSAltitude", altitude))
        return {};
    const Exiv2::Exifdatum *reference = findDatum(exif, "Exif.GPSInfo.GPSAltitudeRef");
    if (reference && reference->count() > 0 && metadatumToUint32(*reference, 0) == 1)
        altitude = -altitude;
    if (!isPlausibleAltitude(altitude))
        return {std::nullopt, altitude};
    return {altitude, std::nullopt};
}

// "5" is half a second and "045" 45 ms: the digits are a decimal fraction.
static int subSecondMilliseconds(const QString &digits)
{
    int milliseconds = 0;
    int scale = 100;
    for (int i = 0; i < digits.size() && digits.at(i).isDigit() && scale > 0; ++i, scale /= 10)
        milliseconds += digits.at(i).digitValue() * scale;
    return milliseconds;
}

bool readCaptureClock(const Exiv2::ExifData &exif, CaptureClock &clock)
{
    if (!splitExifDateTime(tagText(exif, "Exif.Photo.DateTimeOriginal"), clock.date, clock.time))
        return false;
    clock.time = clock.time.addMSecs(
            subSecondMilliseconds(tagText(exif, "Exif.Photo.SubSecTimeOriginal")));
    clock.offset = tagText(exif, "Exif.Photo.OffsetTimeOriginal");
    return true;
}
