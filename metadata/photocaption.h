#ifndef PHOTOCAPTION_H
#define PHOTOCAPTION_H

#include <QString>

#include <exiv2/exiv2.hpp>

// The photo's own caption: XMP dc:description (also from a JPEG's Extended
// XMP, which the metadata copy joins), else IPTC Caption-Abstract,
// else EXIF ImageDescription, else EXIF UserComment. Text a camera writes by
// itself ("OLYMPUS DIGITAL CAMERA") and blank text count as none. Empty when
// there is none or the photo cannot be read (HEIF photos too). Takes exifMutex.
QString readPhotoCaption(const QString &path);
// The same caption from metadata already read.
QString photoCaption(const Exiv2::ExifData &exif, const Exiv2::IptcData &iptc,
                     const Exiv2::XmpData &xmp);

// True for text that says nothing about the photo: blank, or the name a
// camera fills in by itself.
bool isCaptionBoilerplate(const QString &text);

#endif // PHOTOCAPTION_H
