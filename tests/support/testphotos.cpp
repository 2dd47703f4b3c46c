#include "tests/support/testphotos.h"

#include "metadata/exiv2image.h"

#include <QImageWriter>

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <vector>

static Exiv2::URational fraction(double value, std::uint32_t denominator)
{
    return {static_cast<std::uint32_t>(std::llround(value * denominator)), denominator};
}

static void setRationals(Exiv2::ExifData &exif, const char *key,
                         std::initializer_list<Exiv2::URational> components)
{
    Exiv2::URationalValue value;
    value.value_.assign(components);
    exif[key] = value;
}

// Whole degrees and minutes, seconds to a ten-thousandth (about 3 mm).
static void setDms(Exiv2::ExifData &exif, const char *key, double degrees)
{
    const double magnitude = std::fabs(degrees);
    const double whole = std::floor(magnitude);
    const double minutes = std::floor((magnitude - whole) * 60.0);
    const double seconds = (magnitude - whole - minutes / 60.0) * 3600.0;
    setRationals(exif, key, {fraction(whole, 1), fraction(minutes, 1), fraction(seconds, 10000)});
}

// Tags given as text go through Exiv2's own parser for the tag's type, so a
// test can write any component count or a zero denominator.
static bool setText(Exiv2::ExifData &exif, const QString &key, const QString &text)
{
    return exif[key.toStdString()].setValue(text.toStdString()) == 0;
}

static void setReference(Exiv2::ExifData &exif, const char *key, const QString &given,
                         const char *fromSign)
{
    if (given == QLatin1String("-"))
        return;
    exif[key] = given.isEmpty() ? std::string(fromSign) : given.toStdString();
}

static bool fillExif(Exiv2::ExifData &exif, const TestPhoto &photo)
{
    if (photo.hasGps) {
        setReference(exif, "Exif.GPSInfo.GPSLatitudeRef", photo.latitudeRef,
                     photo.latitude < 0 ? "S" : "N");
        setDms(exif, "Exif.GPSInfo.GPSLatitude", photo.latitude);
        setReference(exif, "Exif.GPSInfo.GPSLongitudeRef", photo.longitudeRef,
                     photo.longitude < 0 ? "W" : "E");
        setDms(exif, "Exif.GPSInfo.GPSLongitude", photo.longitude);
    }
    if (photo.hasDirection)
        setRationals(exif, "Exif.GPSInfo.GPSImgDirection", {fraction(photo.direction, 100)});
    if (photo.hasAltitude) {
        setRationals(exif, "Exif.GPSInfo.GPSAltitude", {fraction(std::fabs(photo.altitude), 100)});
        const int reference
                = photo.altitudeRef == -1 ? (photo.altitude < 0 ? 1 : 0) : photo.altitudeRef;
        if (reference >= 0)
            exif["Exif.GPSInfo.GPSAltitudeRef"] = std::to_string(reference);
    }
    if (!photo.dateTimeOriginal.isEmpty())
        exif["Exif.Photo.DateTimeOriginal"] = photo.dateTimeOriginal.toStdString();
    if (!photo.imageDateTime.isEmpty())
        exif["Exif.Image.DateTime"] = photo.imageDateTime.toStdString();
    if (photo.orientation != 0)
        exif["Exif.Image.Orientation"] = static_cast<std::uint16_t>(photo.orientation);
    for (auto it = photo.extraExif.cbegin(); it != photo.extraExif.cend(); ++it) {
        if (!setText(exif, it.key(), it.value()))
            return false;
    }
    return true;
}

static bool fillIptcAndXmp(Exiv2::Image &image, const TestPhoto &photo)
{
    for (auto it = photo.iptc.cbegin(); it != photo.iptc.cend(); ++it) {
        if (image.iptcData()[it.key().toStdString()].setValue(it.value().toStdString()) != 0)
            return false;
    }
    for (auto it = photo.xmp.cbegin(); it != photo.xmp.cend(); ++it) {
        if (image.xmpData()[it.key().toStdString()].setValue(it.value().toStdString()) != 0)
            return false;
    }
    return true;
}

bool writeTestPhoto(const QString &path, const TestPhoto &photo)
{
    QImage image(photo.width, photo.height, QImage::Format_RGB32);
    image.fill(photo.fill);
    QImageWriter writer(path);
    if (!writer.write(image))
        return false;
    try {
        Exiv2ImagePtr exiv2Image = openImageFile(path);
        if (!exiv2Image.get())
            return false;
        if (!fillExif(exiv2Image->exifData(), photo) || !fillIptcAndXmp(*exiv2Image, photo))
            return false;
        exiv2Image->writeMetadata();
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

// xorshift32: fast and the same everywhere, unlike the standard distributions.
static std::uint32_t nextRandom(std::uint32_t &state)
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

// One octave of value noise: random heights on a grid of `cell` pixels,
// interpolated linearly, in 1/256 units.
class ValueNoise
{
public:
    ValueNoise(int width, int height, int cell, int amplitude, std::uint32_t &state)
        : cell(cell)
        , columns(width / cell + 2)
        , lattice(static_cast<std::size_t>(columns) * static_cast<std::size_t>(height / cell + 2))
        , line(static_cast<std::size_t>(columns))
        , cellOfX(static_cast<std::size_t>(width))
        , weightOfX(static_cast<std::size_t>(width))
    {
        for (int &value : lattice)
            value = static_cast<int>(nextRandom(state) % (2u * amplitude + 1)) - amplitude;
        for (int x = 0; x < width; ++x) {
            cellOfX[x] = x / cell;
            weightOfX[x] = (x % cell) * 256 / cell;
        }
    }

    // Interpolates the two lattice rows around `y` once per image row.
    void prepareRow(int y)
    {
        const int row = y / cell;
        const int weight = (y % cell) * 256 / cell;
        const int *above = &lattice[static_cast<std::size_t>(row * columns)];
        const int *below = above + columns;
        for (int i = 0; i < columns; ++i)
            line[i] = above[i] * 256 + (below[i] - above[i]) * weight;
    }

    int at(int x) const
    {
        const int i = cellOfX[x];
        return (line[i] * 256 + (line[i + 1] - line[i]) * weightOfX[x]) >> 16;
    }

private:
    int cell;
    int columns;
    std::vector<int> lattice;
    std::vector<int> line;
    std::vector<int> cellOfX;
    std::vector<int> weightOfX;
};

static int channel(int value)
{
    return std::clamp(value, 0, 255);
}

QImage makeNaturalImage(int width, int height, unsigned seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    std::uint32_t state = seed * 2654435761u + 1u;
    const int scale = std::max(1, std::min(width, height) / 64);
    ValueNoise shapes(width, height, 8 * scale, 45, state);
    ValueNoise texture(width, height, std::max(2, scale), 16, state);
    ValueNoise detail(width, height, 3, 10, state);
    const int horizon = height * (35 + static_cast<int>(nextRandom(state) % 30)) / 100;
    for (int y = 0; y < height; ++y) {
        shapes.prepareRow(y);
        texture.prepareRow(y);
        detail.prepareRow(y);
        // Sky brightening towards the horizon above it, darker ground below.
        const bool sky = y < horizon;
        const int depth = sky ? y * 80 / std::max(1, horizon)
                              : (y - horizon) * 60 / std::max(1, height - horizon);
        const int baseRed = sky ? 100 + depth : 120 - depth;
        const int baseGreen = sky ? 140 + depth / 2 : 125 - depth;
        const int baseBlue = sky ? 200 + depth / 4 : 70 - depth / 2;
        auto *pixels = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int grain = static_cast<int>(nextRandom(state) & 15u) - 8;
            const int light = (sky ? shapes.at(x) / 3 : shapes.at(x)) + texture.at(x) + detail.at(x)
                    + grain;
            pixels[x] = qRgb(channel(baseRed + light), channel(baseGreen + light + light / 4),
                             channel(baseBlue + light / 2));
        }
    }
    return image;
}

double meanChannelDifference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB888);
    const QImage y = b.convertToFormat(QImage::Format_RGB888);
    long long sum = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int byte = 0; byte < x.width() * 3; ++byte)
            sum += std::abs(x.constScanLine(row)[byte] - y.constScanLine(row)[byte]);
    return double(sum) / (x.width() * x.height() * 3.0);
}
