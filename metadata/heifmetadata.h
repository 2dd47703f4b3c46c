#ifndef HEIFMETADATA_H
#define HEIFMETADATA_H

#include "metadata/photometadata.h"

#include <QString>

// The EXIF and XMP blocks of a HEIF file's primary image, as libheif finds
// them, parsed with Exiv2 into `metadata` (HEIF has no place for IPTC), and
// its colour profile.
// Failed, with the reason in `error`, when libheif cannot read the file or
// Exiv2 cannot parse its EXIF.
MetadataResult readHeifMetadata(const QString &path, PhotoMetadata &metadata, QString &error);

#endif // HEIFMETADATA_H
