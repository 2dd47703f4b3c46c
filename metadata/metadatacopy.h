#ifndef METADATACOPY_H
#define METADATACOPY_H

#include "metadata/photometadata.h"

#include <QByteArray>
#include <QString>

// Under exifMutex: opens the file at `path` and copies its metadata.
MetadataResult copyMetadata(const QString &path, PhotoMetadata &metadata, QString &error);

// Under exifMutex: puts `metadata` into the encoded image held in `encoded`
// (the bytes of a complete JPEG/PNG/TIFF file) and replaces `encoded` with the
// result. Nothing is written to disk.
MetadataResult storeMetadata(QByteArray &encoded, const PhotoMetadata &metadata, QString &error);

#endif // METADATACOPY_H
