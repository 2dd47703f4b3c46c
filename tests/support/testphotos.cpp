#include "tests/support/testphotos.h"

#include "metadata/exiv2image.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QProcess>
#include <QStandardPaths>

#include <exiv2/exiv2.hpp>
#include <libheif/heif.h>

#include <cmath>
#include <cstdint>
#include <exception>

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

// XMP specification, part 3: the extension packet's GUID is the MD5 of the
// packet in upper-case hex; each APP1 segment holds the signature, the GUID,
// the full length, the chunk's offset and the chunk.
static QByteArray extendedXmpSegments(const QString &description, QByteArray &guid)
{
    const QByteArray packet
            = "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
              "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description "
              "rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:description>"
              "<rdf:Alt><rdf:li xml:lang=\"x-default\">"
            + description.toHtmlEscaped().toUtf8()
            + "</rdf:li></rdf:Alt></dc:description></rdf:Description></rdf:RDF></x:xmpmeta>";
    guid = QCryptographicHash::hash(packet, QCryptographicHash::Md5).toHex().toUpper();
    constexpr int chunkBytes = 65000;
    QByteArray segments;
    for (qsizetype offset = 0; offset < packet.size(); offset += chunkBytes) {
        QByteArray payload = QByteArray("http://ns.adobe.com/xmp/extension/", 35) + guid;
        const auto bigEndian = [&payload](quint32 value) {
            for (int shift = 24; shift >= 0; shift -= 8)
                payload.append(char((value >> shift) & 0xFF));
        };
        bigEndian(quint32(packet.size()));
        bigEndian(quint32(offset));
        payload += packet.mid(offset, chunkBytes);
        const int length = int(payload.size()) + 2;
        segments += QByteArray("\xFF\xE1", 2) + char(length >> 8) + char(length & 0xFF) + payload;
    }
    return segments;
}

// Puts the segments after the file's first one, before any scan.
static bool addExtendedXmp(const QString &path, const QByteArray &segments)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = file.readAll();
    bytes.insert(2, segments);
    return file.seek(0) && file.write(bytes) == bytes.size();
}

bool writeTestPhoto(const QString &path, const TestPhoto &photo)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage image(photo.width, photo.height, QImage::Format_RGB32);
    image.fill(photo.fill);
    if (photo.colourSpace.isValid())
        image.setColorSpace(photo.colourSpace);
    QImageWriter writer(path);
    if (!writer.write(image))
        return false;
    try {
        Exiv2ImagePtr exiv2Image = openImageFile(path);
        if (!exiv2Image.get())
            return false;
        if (!fillExif(exiv2Image->exifData(), photo) || !fillIptcAndXmp(*exiv2Image, photo))
            return false;
        QByteArray guid;
        const QByteArray segments = photo.extendedXmpDescription.isEmpty()
                ? QByteArray()
                : extendedXmpSegments(photo.extendedXmpDescription, guid);
        if (!guid.isEmpty())
            exiv2Image->xmpData()["Xmp.xmpNote.HasExtendedXMP"] = guid.toStdString();
        exiv2Image->writeMetadata();
        return segments.isEmpty() || addExtendedXmp(path, segments);
    } catch (const std::exception &) {
        return false;
    }
}

static QString heifEncoder()
{
    return QStandardPaths::findExecutable(QStringLiteral("heif-enc"));
}

bool canWriteTestHeif()
{
    return !heifEncoder().isEmpty();
}

bool writeTestHeif(const QString &path, const TestPhoto &photo)
{
    const QString source = path + QStringLiteral(".source.jpg");
    if (!writeTestPhoto(source, photo))
        return false;
    QProcess encoder;
    encoder.start(heifEncoder(),
                  {QStringLiteral("-q"), QStringLiteral("50"), QStringLiteral("-o"), path, source});
    const bool encoded = encoder.waitForFinished(120000)
            && encoder.exitStatus() == QProcess::NormalExit && encoder.exitCode() == 0;
    QFile::remove(source);
    return encoded;
}

// heif-enc writes no nclx box (libheif leaves it out for macOS by default):
// the photo it made is encoded again here with one, its EXIF carried across.
static bool encodeWithCodePoints(heif_context *source, heif_context *target, int primaries,
                                 int transfer)
{
    heif_image_handle *handle = nullptr;
    heif_image *image = nullptr;
    heif_encoder *encoder = nullptr;
    if (heif_context_get_primary_image_handle(source, &handle).code != heif_error_Ok
        || heif_decode_image(handle, &image, heif_colorspace_undefined, heif_chroma_undefined,
                             nullptr)
                        .code
                != heif_error_Ok
        || heif_context_get_encoder_for_format(target, heif_compression_HEVC, &encoder).code
                != heif_error_Ok)
        return false;
    heif_color_profile_nclx *nclx = heif_nclx_color_profile_alloc();
    nclx->color_primaries = heif_color_primaries(primaries);
    nclx->transfer_characteristics = heif_transfer_characteristics(transfer);
    heif_image_set_nclx_color_profile(image, nclx);
    heif_encoding_options *options = heif_encoding_options_alloc();
    options->macOS_compatibility_workaround_no_nclx_profile = 0;
    heif_image_handle *written = nullptr;
    bool encoded = heif_context_encode_image(target, image, encoder, options, &written).code
            == heif_error_Ok;
    heif_item_id exif = 0;
    if (encoded
        && heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &exif, 1) == 1) {
        QByteArray block(qsizetype(heif_image_handle_get_metadata_size(handle, exif)), '\0');
        heif_image_handle_get_metadata(handle, exif, block.data());
        // The block starts with the 4-byte offset of its TIFF header.
        encoded = heif_context_add_exif_metadata(target, written, block.constData() + 4,
                                                 int(block.size() - 4))
                          .code
                == heif_error_Ok;
    }
    heif_image_handle_release(written);
    heif_encoding_options_free(options);
    heif_nclx_color_profile_free(nclx);
    heif_encoder_release(encoder);
    heif_image_release(image);
    heif_image_handle_release(handle);
    return encoded;
}

bool writeNclxTestHeif(const QString &path, const TestPhoto &photo, int primaries, int transfer)
{
    const QString first = path + QStringLiteral(".first.heic");
    heif_context *source = heif_context_alloc();
    heif_context *target = heif_context_alloc();
    const bool written = writeTestHeif(first, photo)
            && heif_context_read_from_file(source, QFile::encodeName(first).constData(), nullptr)
                            .code
                    == heif_error_Ok
            && encodeWithCodePoints(source, target, primaries, transfer)
            && heif_context_write_to_file(target, QFile::encodeName(path).constData()).code
                    == heif_error_Ok;
    heif_context_free(target);
    heif_context_free(source);
    QFile::remove(first);
    return written;
}
