#ifndef PHOTOCAPTION_H
#define PHOTOCAPTION_H

#include "metadata/metadatacopy.h"

#include <QString>

// The photo's own caption: XMP dc:description (also from a JPEG's Extended
// XMP), else IPTC Caption-Abstract,
// else EXIF ImageDescription, else EXIF UserComment. Text a camera writes by
// itself ("OLYMPUS DIGITAL CAMERA") and blank text count as none. Empty when
// there is none.
QString readPhotoCaption(const PhotoMetadata &metadata);
// The same for the photo at `path`, read with one open; empty when it cannot
// be read.
QString readPhotoCaption(const QString &path);

// True for text that says nothing about the photo: blank, or the name a
// camera fills in by itself.
bool isCaptionBoilerplate(const QString &text);

#endif // PHOTOCAPTION_H
