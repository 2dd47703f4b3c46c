#ifndef PHOTOLOADER_H
#define PHOTOLOADER_H

#include <QByteArray>
#include <QImage>
#include <QString>

// Qt's decoded-image limit raised so that photos of 200 megapixels load.
inline constexpr int photoAllocationLimitMegabytes = 2048;

// Loads a photo upright, with its EXIF orientation applied, in a format a
// painter can draw on. Returns a null image, with the reason in Spanish in
// `reason`, when the file cannot be decoded whole: a JPEG cut short or one
// whose decoder reports damaged or missing data is refused, since Qt would
// decode it with the missing part filled in grey. `turned` tells whether the
// pixels were rotated or mirrored.
QImage loadPhoto(const QString &path, bool &turned, QString &reason);

// True when the bytes are a JPEG whose marker segments and scans run through
// to the end-of-image marker.
bool jpegIsComplete(const QByteArray &bytes);

#endif // PHOTOLOADER_H
