#ifndef EXTENDEDXMP_H
#define EXTENDEDXMP_H

#include <QByteArray>

// Extended XMP in a JPEG (XMP specification, part 3): a packet too large for
// one APP1 segment is split into "http://ns.adobe.com/xmp/extension/"
// segments, each with the packet's GUID, full length and the offset of its
// chunk; the main packet names the GUID in xmpNote:HasExtendedXMP. Exiv2
// reads the main packet only.

inline constexpr char extendedXmpGuidKey[] = "Xmp.xmpNote.HasExtendedXMP";

// The extension packet with `guid` joined from the segments of `jpeg`; empty
// when the file is no JPEG, or a chunk is missing or does not fit.
QByteArray extendedXmpPacket(const QByteArray &jpeg, const QByteArray &guid);

#endif // EXTENDEDXMP_H
