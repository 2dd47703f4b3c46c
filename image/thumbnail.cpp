#include "image/thumbnail.h"

#include "image/photoloader.h"
#include "metadata/heiffile.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>

static constexpr int thumbnailQuality = 80;

static QByteArray encodeJpeg(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpg");
    writer.setQuality(thumbnailQuality);
    if (!writer.write(image))
        return {};
    return bytes;
}

static QSize thumbnailSize(const QSize &size)
{
    if (qMax(size.width(), size.height()) <= thumbnailMaxSide)
        return size;
    return size.scaled(thumbnailMaxSide, thumbnailMaxSide, Qt::KeepAspectRatio);
}

QByteArray thumbnailJpeg(const QImage &image)
{
    if (image.isNull())
        return {};
    const QSize size = thumbnailSize(image.size());
    // Smooth scaling of a whole photo costs as much as its encoding: a fast
    // step down to twice the size first keeps the quality for a fraction.
    QImage scaled = image;
    if (image.width() > 4 * size.width())
        scaled = image.scaled(size * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return encodeJpeg(scaled.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

QByteArray photoThumbnail(const QByteArray &bytes)
{
    // Qt reads no HEIF: decoded whole by libheif, then reduced.
    if (looksLikeHeif(bytes))
        return thumbnailJpeg(loadPhotoReduced(bytes, {}).picture);
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    // The size before the EXIF orientation is applied, as the decoder sees it.
    const QSize size = reader.size();
    if (size.isValid())
        reader.setScaledSize(thumbnailSize(size));
    const QImage image = reader.read();
    return image.isNull() ? QByteArray() : encodeJpeg(image);
}
