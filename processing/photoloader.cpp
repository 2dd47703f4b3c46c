#include "processing/photoloader.h"

#include "processing/decoderwarnings.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

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

bool jpegIsComplete(const QByteArray &bytes)
{
    if (!looksLikeJpeg(bytes))
        return false;
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype pos = 2;
    while (pos < size) {
        // Stray bytes between segments are skipped, as decoders do.
        pos = nextPrefix(data, pos, size);
        while (pos < size && data[pos] == markerPrefix)
            ++pos;
        if (pos >= size)
            return false;
        const uchar marker = data[pos++];
        if (marker == endOfImage)
            return true;
        if (isStandaloneMarker(marker))
            continue;
        if (pos + 2 > size)
            return false;
        const int length = (data[pos] << 8) | data[pos + 1];
        if (length < 2)
            return false;
        pos += length;
        if (marker == startOfScan)
            pos = endOfScanData(data, pos, size);
    }
    return false;
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

static QImage decode(QByteArray &bytes, bool &turned, QString &reason)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
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
    if (!warnings.firstWarning().isEmpty()) {
        reason = QStringLiteral("el decodificador JPEG informa datos dañados o faltantes (%1).")
                         .arg(warnings.firstWarning());
        return {};
    }
    turned = reader.transformation() != QImageIOHandler::TransformationNone;
    return image;
}

QImage loadPhoto(const QString &path, bool &turned, QString &reason)
{
    // A process-wide setting; set once, before the first photo is decoded.
    static std::once_flag limitRaised;
    std::call_once(limitRaised,
                   [] { QImageReader::setAllocationLimit(photoAllocationLimitMegabytes); });
    turned = false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        reason = QStringLiteral("no se pudo leer el archivo.");
        return {};
    }
    // Read once: the same bytes are checked and decoded.
    QByteArray bytes = file.readAll();
    file.close();
    if (looksLikeJpeg(bytes) && !jpegIsComplete(bytes)) {
        reason = QStringLiteral("el archivo JPEG está cortado: termina antes del marcador de fin "
                                "de imagen.");
        return {};
    }
    QImage image = decode(bytes, turned, reason);
    if (!image.isNull() && !isPaintable(image.format()))
        image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                              : QImage::Format_RGB32);
    return image;
}
