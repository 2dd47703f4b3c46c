#ifndef COORDINATERECORD_H
#define COORDINATERECORD_H

#include <QDateTime>
#include <QMap>
#include <QString>

// One valid row of a coordinates file: a photo's UTM position and its
// optional orientation, local date-time and altitude.
struct CoordinateRecord
{
    int zone = 0;
    char letter = 'N';
    double easting = 0.0; // metres
    double northing = 0.0; // metres
    double orientation = 0.0; // degrees
    bool hasOrientation = false;
    QDateTime dateTime; // local time
    bool hasDateTime = false;
    double altitude = 0.0; // metres
    bool hasAltitude = false;
};

// Photo file name (exact, case-sensitive) to its row.
using CoordinateMap = QMap<QString, CoordinateRecord>;

#endif // COORDINATERECORD_H
