#ifndef COORDINATERECORD_H
#define COORDINATERECORD_H

#include "geo/utmposition.h"

#include <QDateTime>
#include <QMap>
#include <QString>

// One valid row of a coordinates file: a photo's UTM position (with its
// optional orientation and altitude) and its optional local date-time.
struct CoordinateRecord
{
    UtmPosition position;
    QDateTime dateTime; // local time
    bool hasDateTime = false;
};

// Photo file name (exact, case-sensitive) to its row.
using CoordinateMap = QMap<QString, CoordinateRecord>;

#endif // COORDINATERECORD_H
