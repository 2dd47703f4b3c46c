#ifndef METADATACOPY_H
#define METADATACOPY_H

#include <QByteArray>
#include <QString>

#include <exiv2/exiv2.hpp>

// A photo's EXIF, IPTC and XMP, owned outside any Exiv2 image object, so they
// can be carried across re-encoding.
struct PhotoMetadata
{
    Exiv2::ExifData exif;
    Exiv2::IptcData iptc;
    Exiv2::XmpData xmp;
    // The photo held an XMP packet that cannot be parsed: it is not carried.
    bool xmpUnreadable = false;

    void clear();
};

enum class MetadataResult {
    Done, // copied or stored
    NoImage, // Exiv2 gave no image object: nothing done, nothing to report
    Failed // Exiv2 raised an error; its text is in `error`
};

// Under exifMutex: the metadata of the photo file held in `bytes` (a HEIF
// file's through libheif), parsed where the bytes are.
MetadataResult readPhotoMetadata(const QByteArray &bytes, PhotoMetadata &metadata, QString &error);

// The same for the photo at `path`, read with one open; Failed, with the
// reason, when it cannot be read.
MetadataResult copyMetadata(const QString &path, PhotoMetadata &metadata, QString &error);

// Under exifMutex: puts `metadata` into the encoded image held in `encoded`
// (the bytes of a complete JPEG/PNG/TIFF file) and replaces `encoded` with the
// result. Nothing is written to disk.
MetadataResult storeMetadata(QByteArray &encoded, const PhotoMetadata &metadata, QString &error);

#endif // METADATACOPY_H
