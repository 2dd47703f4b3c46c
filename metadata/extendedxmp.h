#ifndef EXTENDEDXMP_H
#define EXTENDEDXMP_H

#include <QByteArray>
#include <QString>

#include <exiv2/exiv2.hpp>

#include <string>

// XMP too large for the one APP1 segment a JPEG gives it, split as the XMP
// specification (part 3, "Extended XMP in JPEG") says: the largest
// properties move to an extension serialization, stored in further APP1
// segments of at most 65 400 bytes each, and the standard packet names it by
// its MD5 digest in xmpNote:HasExtendedXMP. Exiv2 reads only the standard
// packet; joinExtendedXmp puts the rest back.

// Makes the namespace of xmpNote:HasExtendedXMP known to Exiv2, which does not
// know it; called once by initializeExiv2.
void registerExtendedXmpNamespace();

// The XMP of a JPEG as written: the standard packet and, when it needed one,
// the extension serialization.
struct JpegXmp
{
    std::string standard;
    std::string extension; // empty when everything fits the standard packet
};

// Serialises `xmp` for a JPEG. False, with the reason in Spanish in `error`,
// when even the properties that must stay in the standard packet (the
// program's stamp marker among them) do not fit it.
bool splitXmpForJpeg(const Exiv2::XmpData &xmp, JpegXmp &split, QString &error);

// The JPEG `jpeg`, written with `split.standard` as its XMP packet, with the
// extension segments of `split.extension` placed after that packet's
// segment; extension segments it held before are dropped.
QByteArray withExtensionSegments(const QByteArray &jpeg, const JpegXmp &split);

// Adds to `xmp`, read from the standard packet of the JPEG `jpeg`, the
// properties of the extension its xmpNote:HasExtendedXMP names, when the
// JPEG holds all of it; the note itself goes. False when an extension is
// named but missing, incomplete or unreadable; `xmp` is then unchanged.
bool joinExtendedXmp(const QByteArray &jpeg, Exiv2::XmpData &xmp);

#endif // EXTENDEDXMP_H
