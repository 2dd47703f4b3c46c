#ifndef PHOTODESCRIPTION_H
#define PHOTODESCRIPTION_H

#include <QString>

#include <exiv2/exiv2.hpp>

// Puts `text` as the photo's description into the three places viewers and
// photo libraries read it from: XMP dc:description (default language), IPTC
// Caption-Abstract (marked UTF-8) and EXIF ImageDescription. Empty text
// removes all three.
void setPhotoDescription(Exiv2::ExifData &exif, Exiv2::IptcData &iptc, Exiv2::XmpData &xmp,
                         const QString &text);

// Under exifMutex: writes `text` as the description of the photo at `path`.
// Only the metadata segments change, the picture's bytes stay as they are
// (nothing is decoded or encoded); the file is replaced only once the new one
// is complete. False, with the reason in Spanish in `reason`, for a photo it
// cannot write (HEIF, not a photo Exiv2 reads, damaged metadata, a folder
// without write permission); then the photo is left as it was.
bool writePhotoDescription(const QString &path, const QString &text, QString &reason);

#endif // PHOTODESCRIPTION_H
