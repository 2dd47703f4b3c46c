#include "metadata/metadatacopy.h"

#include "files/photofile.h"
#include "metadata/exifmutex.h"
#include "metadata/exiv2compat.h"
#include "metadata/extendedxmp.h"
#include "metadata/heiffile.h"
#include "metadata/heifmetadata.h"
#include "metadata/jpegsegments.h"

#include <QMutexLocker>

#include <exception>

// Exiv2 leaves the XMP data empty, with only a warning on standard error,
// when the packet does not parse; an empty but valid packet loses nothing.
static bool xmpPacketUnreadable(const Exiv2::Image &image)
{
    if (image.xmpPacket().empty() || !image.xmpData().empty())
        return false;
    Exiv2::XmpData probe;
    return Exiv2::XmpParser::decode(probe, image.xmpPacket()) != 0;
}

static QByteArray ioBytes(Exiv2::BasicIo &io)
{
    io.open();
    const Exiv2::byte *data = io.mmap();
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(io.size()));
    io.munmap();
    io.close();
    return bytes;
}

static bool isJpeg(const Exiv2::Image &image)
{
    return image.imageType() == Exiv2::ImageType::jpeg;
}

// Exiv2's own error type derives from std::exception; anything else a damaged
// file provokes is reported the same way rather than ending the program.
MetadataResult readPhotoMetadata(const QByteArray &bytes, PhotoMetadata &metadata, QString &error)
{
    QMutexLocker locker(&exifMutex);
    // Exiv2 reads no HEIF: libheif finds its blocks.
    if (looksLikeHeif(bytes))
        return readHeifMetadata(bytes, metadata, error);
    try {
        // Exiv2 reads the bytes where they are; it copies them only to write.
        const Exiv2ImagePtr image = Exiv2::ImageFactory::open(
                reinterpret_cast<const Exiv2::byte *>(bytes.constData()), bytes.size());
        if (!image.get())
            return MetadataResult::NoImage;
        image->readMetadata();
        metadata.exif = image->exifData();
        metadata.iptc = image->iptcData();
        metadata.xmp = image->xmpData();
        metadata.xmpUnreadable = xmpPacketUnreadable(*image);
        if (isJpeg(*image))
            joinExtendedXmp(bytes, metadata.xmp);
        if (image->iccProfileDefined())
            metadata.iccProfile = iccProfileBytes(*image);
        return MetadataResult::Done;
    } catch (const std::exception &exception) {
        metadata.clear();
        error = QString::fromUtf8(exception.what());
        return MetadataResult::Failed;
    }
}

MetadataResult copyMetadata(const QString &path, PhotoMetadata &metadata, QString &error)
{
    const PhotoFile file = readPhotoFile(path);
    if (!file.isRead()) {
        error = file.error();
        return MetadataResult::Failed;
    }
    return readPhotoMetadata(file.bytes(), metadata, error);
}

// A JPEG's metadata all lies before its scan: Exiv2 is given only that
// head, and the scan, nearly all of the file, is joined back as it was.
// Exiv2 copies whatever follows the SOS marker without reading it.
static QByteArray headForMetadata(const QByteArray &encoded, qsizetype &scan)
{
    scan = scanStart(encoded);
    return scan < 0 ? encoded : encoded.left(scan + 2);
}

MetadataResult storeMetadata(QByteArray &encoded, const PhotoMetadata &metadata, QString &error)
{
    QMutexLocker locker(&exifMutex);
    try {
        qsizetype scan = -1;
        const QByteArray head = headForMetadata(encoded, scan);
        // Exiv2 reads `head` in place and writes into a buffer of its own,
        // so `encoded` stays whole if anything below fails.
        const Exiv2ImagePtr image = Exiv2::ImageFactory::open(
                reinterpret_cast<const Exiv2::byte *>(head.constData()), head.size());
        if (!image.get())
            return MetadataResult::NoImage;
        image->readMetadata();
        image->setExifData(metadata.exif);
        image->setIptcData(metadata.iptc);
        // A JPEG gets the packet measured to fit its segment; the rest of
        // the XMP follows it in segments of its own.
        JpegXmp split;
        const bool jpeg = isJpeg(*image);
        if (!jpeg) {
            image->setXmpData(metadata.xmp);
        } else if (splitXmpForJpeg(metadata.xmp, split, error)) {
            image->setXmpPacket(split.standard);
            image->writeXmpFromPacket(true);
        } else {
            return MetadataResult::Failed;
        }
        if (!metadata.iccProfile.empty())
            setIccProfileBytes(*image, metadata.iccProfile);
        image->writeMetadata();
        QByteArray written = ioBytes(image->io());
        if (jpeg)
            written = withExtensionSegments(written, split);
        if (scan >= 0) {
            written.reserve(written.size() + encoded.size() - head.size());
            written.append(encoded.constData() + head.size(), encoded.size() - head.size());
        }
        encoded = written;
        return MetadataResult::Done;
    } catch (const std::exception &exception) {
        error = QString::fromUtf8(exception.what());
        return MetadataResult::Failed;
    }
}
