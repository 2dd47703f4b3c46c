#ifndef PHOTOLOADER_H
#define PHOTOLOADER_H

#include "files/photofile.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// Loads the photo file held in `bytes` upright, with its EXIF orientation
// applied (a HEIF file, told by its bytes, through libheif), in a format a
// painter can draw on. Returns a null image, with the reason in Spanish in
// `reason`, when the file cannot be decoded whole: a JPEG cut short or one
// whose decoder reports damaged or missing data is refused, since Qt would
// decode it with the missing part filled in grey. `turned` tells whether the
// pixels were rotated or mirrored.
QImage loadPhoto(const QByteArray &bytes, bool &turned, QString &reason);

// Why the photo file held in `bytes` cannot be a photo this program reads,
// judged from its first bytes, its header and its size alone, so that
// nothing is copied or decoded before: no JPEG, PNG, TIFF or HEIF signature,
// or a JPEG far smaller than any JPEG of the pixels its header declares.
// Empty when it may be one.
QString photoFileProblem(const QByteArray &bytes);

// Why the file at `path` is not a whole photo this program reads: the checks
// of photoFileProblem, then a JPEG cut short or whose decoder reports damaged
// data, or a picture that does not decode. Empty when it decodes whole. A
// JPEG is decoded at an eighth of its size, which still reads every coded
// block; the other formats are decoded whole.
QString wholePhotoProblem(const QString &path);

// Why the photo file `photo` cannot be read as a photo at all: it could not be
// read, photoFileProblem's reasons, or a JPEG cut short. Empty when it may be
// one; its picture may still prove damaged when decoded.
QString photoReadProblem(const PhotoFile &photo);

// The bytes loadPhoto's picture of the photo takes, judged from its header;
// 0 when the header gives no size.
qint64 decodedPhotoBytes(const QByteArray &bytes);

// A photo decoded for showing, at a reduced size.
struct ReducedPhoto
{
    QImage picture; // null when it cannot be decoded
    QSize photoSize; // upright, as loadPhoto decodes it
    bool whole = false; // loadPhoto takes it: not a JPEG cut short
};

// Loads a photo upright as loadPhoto does, but decoded at the smallest of
// libjpeg's scales (1/2, 1/4, 1/8; other formats are scaled after decoding)
// whose picture still fills its fit into `box`; whole when `box` is empty.
// A JPEG cut short is decoded too, its missing part grey.
ReducedPhoto loadPhotoReduced(const QByteArray &bytes, const QSize &box);
// The same for the photo at `path`, read with one open.
ReducedPhoto loadPhotoReduced(const QString &path, const QSize &box);

// True when the bytes are a JPEG whose marker segments and scans run through
// to the end-of-image marker.
bool jpegIsComplete(const QByteArray &bytes);

// The dots per metre Qt's reader gives a JPEG's picture, from its last JFIF
// header before the picture data; invalid when none gives a unit.
QSize jpegDotsPerMeter(const QByteArray &bytes);

#endif // PHOTOLOADER_H
