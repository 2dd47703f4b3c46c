#ifndef PHOTOSTAMP_H
#define PHOTOSTAMP_H

#include <QDateTime>
#include <QString>

// The values of one photo that the overlays stamp on it.
struct PhotoStamp
{
    QDateTime captureTime;
    QString utmName; // "19H 345678 6300000", without the prefix
    int zone = 19;
    char letter = 'J';
    double easting = 500000.0; // metres
    double northing = 6000000.0; // metres
    double orientation = 0.0; // degrees
    bool hasOrientation = false;
    double altitude = 0.0; // metres
    bool hasAltitude = false;
    QString photoPath; // the photo as collected
};

#endif // PHOTOSTAMP_H
