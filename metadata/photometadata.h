#ifndef PHOTOMETADATA_H
#define PHOTOMETADATA_H

#include <exiv2/exiv2.hpp>

#include <string>

// A photo's EXIF, IPTC and XMP, owned outside any Exiv2 image object, so they
// can be carried across re-encoding.
struct PhotoMetadata
{
    Exiv2::ExifData exif;
    Exiv2::IptcData iptc;
    Exiv2::XmpData xmp;
    // The photo held an XMP packet that cannot be parsed: it is not carried.
    bool xmpUnreadable = false;
    // The photo's ICC colour profile, empty when it has none: without it
    // viewers take the pixels for sRGB.
    std::string iccProfile;

    void clear();
};

enum class MetadataResult {
    Done, // copied or stored
    NoImage, // Exiv2 gave no image object: nothing done, nothing to report
    Failed // Exiv2 raised an error; its text is in `error`
};

#endif // PHOTOMETADATA_H
