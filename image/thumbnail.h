#ifndef THUMBNAIL_H
#define THUMBNAIL_H

#include <QByteArray>
#include <QImage>

// The longer side of a thumbnail, in pixels.
inline constexpr int thumbnailMaxSide = 640;

// `image` scaled so that its longer side is at most thumbnailMaxSide, as
// JPEG. Empty for a null image.
QByteArray thumbnailJpeg(const QImage &image);

// The thumbnail of the photo file held in `bytes`, upright, scaled while
// decoding so that a large photo is never held whole. Empty when it cannot
// be decoded.
QByteArray photoThumbnail(const QByteArray &bytes);

#endif // THUMBNAIL_H
