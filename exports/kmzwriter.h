#ifndef KMZWRITER_H
#define KMZWRITER_H

#include "exports/locationrecord.h"

#include <QByteArray>
#include <QString>
#include <QVector>

// Name of the thumbnails' folder inside the archive.
inline constexpr char kmzThumbnailFolder[] = "miniaturas";

// A KMZ archive for Google Earth: "doc.kml" (KML 2.2) as its first entry, a
// Document called `documentName` with one Placemark per record, the arrow
// icon turned to each photo's direction, and the thumbnails under
// "miniaturas/". False with `error` set when the archive cannot be built.
bool buildKmz(const QString &documentName, const QVector<LocationRecord> &records,
              QByteArray &archive, QString &error);

#endif // KMZWRITER_H
