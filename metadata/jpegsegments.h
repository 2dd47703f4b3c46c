#ifndef JPEGSEGMENTS_H
#define JPEGSEGMENTS_H

#include <QByteArray>

#include <functional>

// Calls `visit` with each marker segment of `jpeg` after its SOI, in order,
// each holding its marker and length bytes, and stops at the scan (SOS),
// the end (EOI) or the first segment that is not whole. Returns the offset
// where it stopped.
qsizetype walkSegments(const QByteArray &jpeg,
                       const std::function<void(uchar, const QByteArray &)> &visit);

// Where the scan of `jpeg` begins: the offset of its SOS marker, found after
// whole segments only; -1 when there is none.
qsizetype scanStart(const QByteArray &jpeg);

#endif // JPEGSEGMENTS_H
