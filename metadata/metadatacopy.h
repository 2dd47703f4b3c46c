#ifndef METADATACOPY_H
#define METADATACOPY_H

#include "metadata/photometadata.h"

#include <QByteArray>
#include <QString>

// Under exifMutex: the metadata of the photo file held in `bytes` (a HEIF
// file's through libheif), parsed where the bytes are; the XMP of a JPEG
// includes its Extended XMP.
MetadataResult readPhotoMetadata(const QByteArray &bytes, PhotoMetadata &metadata, QString &error);

// The same for the photo at `path`, read with one open; Failed, with the
// reason, when it cannot be read.
MetadataResult copyMetadata(const QString &path, PhotoMetadata &metadata, QString &error);

// Under exifMutex: puts `metadata` into the encoded image held in `encoded`
// (the bytes of a complete JPEG/PNG/TIFF file) and replaces `encoded` with the
// result. Nothing is written to disk. XMP too large for a JPEG's one segment
// is written as Extended XMP; Failed when even that cannot hold it.
MetadataResult storeMetadata(QByteArray &encoded, const PhotoMetadata &metadata, QString &error);

#endif // METADATACOPY_H
