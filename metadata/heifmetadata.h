#ifndef HEIFMETADATA_H
#define HEIFMETADATA_H

#include "metadata/photometadata.h"

#include <QByteArray>
#include <QString>

// The EXIF and XMP blocks of the primary image of the HEIF file held in
// `bytes`, as libheif finds them, parsed with Exiv2 into `metadata` (HEIF has
// no place for IPTC), and its colour profile. Failed, with the reason in
// `error`, when libheif cannot read the file or Exiv2 cannot parse its EXIF.
MetadataResult readHeifMetadata(const QByteArray &bytes, PhotoMetadata &metadata, QString &error);

#endif // HEIFMETADATA_H
