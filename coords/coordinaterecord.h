#ifndef COORDINATERECORD_H
#define COORDINATERECORD_H

#include "geo/utmposition.h"

#include <QDateTime>
#include <QMap>
#include <QString>

// One valid row of a coordinates file: a photo's UTM position (with its
// optional orientation and altitude), its optional local date-time and its
// optional description.
struct CoordinateRecord
{
    UtmPosition position;
    QDateTime dateTime; // local time
    bool hasDateTime = false;
    QString description; // trimmed; empty when the row has none
};

// Photo file name (exact, case-sensitive) to its row.
using CoordinateMap = QMap<QString, CoordinateRecord>;

#endif // COORDINATERECORD_H
