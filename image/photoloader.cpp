#include "image/photoloader.h"

#include "files/photofile.h"
#include "image/decoderwarnings.h"
#include "image/heifdecoder.h"
#include "image/photosizelimit.h"
#include "metadata/heiffile.h"

#include <QBuffer>
#include <QImageReader>

#include <libheif/heif.h>

#include <algorithm>
#include <cstring>
#include <mutex>

static constexpr uchar markerPrefix = 0xFF;
static constexpr uchar startOfImage = 0xD8;
static constexpr uchar endOfImage = 0xD9;
static constexpr uchar startOfScan = 0xDA;

static bool isStandaloneMarker(uchar marker)
{
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}

static bool looksLikeJpeg(const QByteArray &bytes)
{
    return bytes.size() >= 2 && uchar(bytes[0]) == markerPrefix && uchar(bytes[1]) == startOfImage;
}

// Position of the next 0xFF at or after `from`, or `size`.
static qsizetype nextPrefix(const uchar *data, qsizetype from, qsizetype size)
{
    if (from >= size)
        return size;
    const void *found = std::memchr(data + from, markerPrefix, size_t(size - from));
    return found ? static_cast<const uchar *>(found) - data : size;
}

// Skips entropy-coded data: 0xFF 0x00 is a stuffed byte and restart markers
// belong to the scan; any other marker ends it. Returns the marker's position.
static qsizetype endOfScanData(const uchar *data, qsizetype from, qsizetype size)
{
    qsizetype pos = nextPrefix(data, from, size);
    while (pos + 1 < size) {
        const uchar next = data[pos + 1];
        if (next == 0x00 || (next >= 0xD0 && next <= 0xD7))
            pos = nextPrefix(data, pos + 2, size);
        else if (next == markerPrefix)
            ++pos;
        else
            return pos;
    }
    return size;
}

static int bigEndian16(const uchar *data)
{
    return (data[0] << 8) | data[1];
}

// A marker and, unless it stands alone, where its length field starts and
// the length it gives (which counts the field itself).
struct JpegSegment
{
    uchar marker = 0;
    qsizetype start = 0;
    int length = 0;
};

// Reads the segment at or after `pos` and moves `pos` past it; false at the
// end of the bytes or at a length that cannot be.
static bool readSegment(const uchar *data, qsizetype size, qsizetype &pos, JpegSegment &segment)
{
    // Stray bytes between segments are skipped, as decoders do.
    pos = nextPrefix(data, pos, size);
    while (pos < size && data[pos] == markerPrefix)
        ++pos;
    if (pos >= size)
        return false;
    segment = {data[pos++], pos, 0};
    if (segment.marker == endOfImage || isStandaloneMarker(segment.marker))
        return true;
    if (pos + 2 > size)
        return false;
    segment.length = bigEndian16(data + pos);
    pos += segment.length;
    return segment.length >= 2;
}

bool jpegIsComplete(const QByteArray &bytes)
{
    if (!looksLikeJpeg(bytes))
        return false;
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype pos = 2;
    JpegSegment segment;
    while (readSegment(data, size, pos, segment)) {
        if (segment.marker == endOfImage)
            return true;
        if (segment.marker == startOfScan)
            pos = endOfScanData(data, pos, size);
    }
    return false;
}

QSize jpegDotsPerMeter(const QByteArray &bytes)
{
    static constexpr uchar jfifSegment = 0xE0;
    QSize resolution;
    if (!looksLikeJpeg(bytes))
        return resolution;
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype pos = 2;
    JpegSegment segment;
    while (readSegment(data, size, pos, segment) && segment.marker != startOfScan
           && segment.marker != endOfImage) {
        // Length, "JFIF\0", version, units, then both densities.
        const uchar *field = data + segment.start;
        if (segment.marker != jfifSegment || segment.length < 16 || segment.start + 14 > size
            || std::memcmp(field + 2, "JFIF", 5) != 0)
            continue;
        const double perMetre = field[9] == 1 ? 100.0 / 2.54 : field[9] == 2 ? 100.0 : 0.0;
        resolution = perMetre > 0.0 ? QSize(int(perMetre * bigEndian16(field + 10)),
                                            int(perMetre * bigEndian16(field + 12)))
                                    : QSize();
    }
    return resolution;
}

static bool isPaintable(QImage::Format format)
{
    switch (format) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8:
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
        return false;
    default:
        return true;
    }
}

// Every JPEG codes at least one bit for each 8 x 8 block; a byte for 4 096
// pixels is an eighth of that, far below any real photo.
static constexpr qint64 minimumJpegPixelsPerByte = 4096;

static bool hasPhotoSignature(const QByteArray &head)
{
    return head.startsWith("\xFF\xD8\xFF") || head.startsWith("\x89PNG\r\n\x1A\n")
            || head.startsWith(QByteArray("II*\0", 4)) || head.startsWith(QByteArray("MM\0*", 4));
}

static const QString unreadableReason = QStringLiteral("no se pudo leer el archivo.");
static const QString cutShortReason = QStringLiteral("el archivo JPEG está cortado: termina antes "
                                                     "del marcador de fin de imagen.");

QString photoFileProblem(const QByteArray &bytes)
{
    if (!hasPhotoSignature(bytes) && !looksLikeHeif(bytes))
        return QStringLiteral("el archivo no es una imagen de un formato reconocido.");
    if (!looksLikeJpeg(bytes))
        return QString();
    // The reader takes only the header from the bytes.
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    const QSize declared = reader.size();
    if (declared.isValid()
        && bytes.size() < qint64(declared.width()) * declared.height() / minimumJpegPixelsPerByte)
        return QStringLiteral("el archivo JPEG ocupa %1 bytes, muy pocos para los %2 × %3 "
                              "píxeles que declara.")
                .arg(QString::number(bytes.size()), QString::number(declared.width()),
                     QString::number(declared.height()));
    return QString();
}

// libheif reads the size from the file's boxes only.
static QSize heifSize(const QByteArray &bytes)
{
    const HeifFile file(bytes);
    if (!file.primary())
        return {};
    return QSize(heif_image_handle_get_width(file.primary()),
                 heif_image_handle_get_height(file.primary()));
}

static QSize readerSize(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader(&buffer).size();
}

qint64 decodedPhotoBytes(const QByteArray &bytes)
{
    const QSize size = looksLikeHeif(bytes) ? heifSize(bytes) : readerSize(bytes);
    constexpr qint64 bytesPerPixel = 4; // the paintable formats loadPhoto gives
    return size.isValid() ? qint64(size.width()) * size.height() * bytesPerPixel : 0;
}

static QSize uprightSize(QImageReader &reader)
{
    const bool across = reader.transformation() & QImageIOHandler::TransformationRotate90;
    return across ? reader.size().transposed() : reader.size();
}

// The size to ask the reader for: the photo reduced by the largest divisor
// of 2, 4 or 8 whose picture, fitted into `box`, is still not enlarged;
// invalid when the photo is decoded whole. Rounded down, so that Qt picks
// libjpeg's scale of exactly that divisor.
static QSize reducedSize(QImageReader &reader, const QSize &box)
{
    const QSize upright = uprightSize(reader);
    if (box.isEmpty() || upright.isEmpty())
        return {};
    const double shown = std::min(double(box.width()) / upright.width(),
                                  double(box.height()) / upright.height());
    int divisor = 8;
    while (divisor > 1 && shown > 1.0 / divisor)
        divisor /= 2;
    if (divisor == 1)
        return {};
    const QSize stored = reader.size();
    return QSize(std::max(1, stored.width() / divisor), std::max(1, stored.height() / divisor));
}

// Decodes upright in a paintable format. Sets `reason` when there is no
// picture, and also when the JPEG decoder reported damaged or missing data
// while decoding: the picture then has parts it made up.
static QImage decodeUpright(QImageReader &reader, bool &turned, QString &reason)
{
    // A process-wide setting; set once, before the first photo is decoded.
    static std::once_flag limitRaised;
    std::call_once(limitRaised,
                   [] { QImageReader::setAllocationLimit(photoAllocationLimitMegabytes); });
    reader.setAutoTransform(true);
    const JpegWarningCapture warnings;
    QImage image = reader.read();
    if (image.isNull()) {
        reason = reader.error() == QImageReader::UnsupportedFormatError
                ? QStringLiteral("el archivo no es una imagen de un formato reconocido.")
                : QStringLiteral("los datos de la imagen están dañados o exceden el tamaño "
                                 "admitido.");
        return {};
    }
    if (!warnings.firstWarning().isEmpty())
        reason = QStringLiteral("el decodificador JPEG informa datos dañados o faltantes (%1).")
                         .arg(warnings.firstWarning());
    turned = reader.transformation() != QImageIOHandler::TransformationNone;
    if (!isPaintable(image.format()))
        image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                              : QImage::Format_RGB32);
    return image;
}

QString photoReadProblem(const PhotoFile &photo)
{
    if (!photo.isRead())
        return unreadableReason;
    const QString problem = photoFileProblem(photo.bytes());
    if (!problem.isEmpty() || !looksLikeJpeg(photo.bytes()))
        return problem;
    return jpegIsComplete(photo.bytes()) ? QString() : cutShortReason;
}

QImage loadPhoto(const QByteArray &bytes, bool &turned, QString &reason)
{
    turned = false;
    if (looksLikeHeif(bytes)) {
        // Upright by libheif; whatever EXIF orientation it carries is stale.
        turned = true;
        return decodeHeif(bytes, reason);
    }
    if (looksLikeJpeg(bytes) && !jpegIsComplete(bytes)) {
        reason = cutShortReason;
        return {};
    }
    // The buffer reads the bytes where they are: setData shares them.
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QImage image = decodeUpright(reader, turned, reason);
    return reason.isEmpty() ? image : QImage();
}

QString wholePhotoProblem(const QString &path)
{
    const PhotoFile file = readPhotoFile(path);
    if (!file.isRead())
        return unreadableReason;
    const QByteArray &bytes = file.bytes();
    QString reason = photoFileProblem(bytes);
    if (!reason.isEmpty())
        return reason;
    if (looksLikeHeif(bytes)) {
        decodeHeif(bytes, reason);
        return reason;
    }
    const bool jpeg = looksLikeJpeg(bytes);
    if (jpeg && !jpegIsComplete(bytes))
        return cutShortReason;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (jpeg) {
        const QSize stored = reader.size();
        reader.setScaledSize(
                QSize(std::max(1, stored.width() / 8), std::max(1, stored.height() / 8)));
    }
    bool turned = false;
    decodeUpright(reader, turned, reason);
    return reason;
}

// libheif decodes whole pictures only: reduced after decoding.
static ReducedPhoto reducedHeif(const QByteArray &bytes, const QSize &box)
{
    ReducedPhoto photo;
    QString reason;
    photo.picture = decodeHeif(bytes, reason);
    photo.photoSize = photo.picture.size();
    photo.whole = !photo.picture.isNull();
    const QSize fit = photo.photoSize.scaled(box, Qt::KeepAspectRatio);
    if (!box.isEmpty() && fit.width() < photo.photoSize.width())
        photo.picture = photo.picture.scaled(fit, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return photo;
}

ReducedPhoto loadPhotoReduced(const QByteArray &bytes, const QSize &box)
{
    ReducedPhoto photo;
    if (!photoFileProblem(bytes).isEmpty())
        return photo;
    if (looksLikeHeif(bytes))
        return reducedHeif(bytes, box);
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    photo.photoSize = uprightSize(reader);
    reader.setScaledSize(reducedSize(reader, box));
    bool turned = false;
    QString reason;
    photo.picture = decodeUpright(reader, turned, reason);
    photo.whole = reason.isEmpty() && (!looksLikeJpeg(bytes) || jpegIsComplete(bytes));
    return photo;
}

ReducedPhoto loadPhotoReduced(const QString &path, const QSize &box)
{
    return loadPhotoReduced(readPhotoFile(path).bytes(), box);
}
