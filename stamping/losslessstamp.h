#ifndef LOSSLESSSTAMP_H
#define LOSSLESSSTAMP_H

#include <QByteArray>
#include <QImage>
#include <QImageIOHandler>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

#include <functional>
#include <vector>

// A piece of the stamps: `picture` (premultiplied ARGB) stands at `origin`
// of the upright photo.
struct StampPatch
{
    QPoint origin;
    QImage picture;
};

// The stamps drawn on a transparent `layer` of the photo's size, cut down to
// the bounding box of the stamped pixels in each quarter of it, so that the
// whole layer need not be kept. Only the `painted` areas are looked at.
std::vector<StampPatch> stampPatches(const QImage &layer, const QList<QRect> &painted);

// The EXIF Orientation (1 to 8) whose turn Qt applies as `transformation`.
int exifOrientation(QImageIOHandler::Transformations transformation);

// Lays the stamps of `layer` onto the JPEG in `source` without decoding the
// rest of it: only the 8 × 8 blocks of each component that a stamp pixel
// touches are decoded, blended and quantised again with the file's own
// tables; every other block keeps its coefficients bit for bit.
//
// `stamps` hold the stamps alone, laid out on the photo upright at
// `uprightSize` pixels; `orientation` is the EXIF Orientation (1 to 8) that
// turns the stored picture upright.
// The pixels are not turned, so the caller keeps the Orientation tag. The
// result carries no metadata: it goes in afterwards as for any photo.
//
// Returns false, with the reason in Spanish in `reason`, for a JPEG this
// cannot be done for (colour coding, precision, sampling, tables redefined
// mid-file, a decoder warning, stamps over more than half the picture); the
// caller then re-encodes the whole photo.
bool stampJpegLosslessly(const QByteArray &source, const std::vector<StampPatch> &stamps,
                         const QSize &uprightSize, int orientation, QByteArray &stamped,
                         QString &reason);

// A photo file stamped on its own blocks, or why it could not be.
struct KeptCompression
{
    QByteArray jpeg; // the stamped JPEG, without metadata
    int orientation = 1; // its EXIF Orientation, which must stay
    // The stamps laid out for the photo; empty when it was refused before
    // they were drawn (not a JPEG, cut short).
    std::vector<StampPatch> patches;
    QString reason; // in Spanish, when it could not be done
};

// Takes the photo file held in `original`, has `draw` paint the stamps on a
// transparent picture of its upright size and say where it painted, and
// lays them on its blocks. Only the photo's header is decoded besides the
// blocks, so the whole picture is never held. A JPEG that libjpeg reads with
// a warning is refused, as is one cut short or any other format.
bool stampKeepingCompression(const QByteArray &original,
                             const std::function<QList<QRect>(QImage &)> &draw,
                             KeptCompression &kept);

#endif // LOSSLESSSTAMP_H
