#ifndef HEIFDECODER_H
#define HEIFDECODER_H

#include <QByteArray>
#include <QImage>
#include <QString>

// Decodes the primary image of the HEIF file held in `bytes` with libheif:
// upright (its rotation and mirroring applied), 8 bits per channel, in a
// format a painter can draw on. Returns a null image, with the reason in
// Spanish in `reason`, when libheif cannot decode it, and before decoding
// when it is larger than the photos loadPhoto accepts.
QImage decodeHeif(const QByteArray &bytes, QString &reason);

#endif // HEIFDECODER_H
