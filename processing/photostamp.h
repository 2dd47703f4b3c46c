#ifndef PHOTOSTAMP_H
#define PHOTOSTAMP_H

#include "geo/utmposition.h"

#include <QDateTime>
#include <QString>

// The values of one photo that the overlays stamp on it.
struct PhotoStamp
{
    QDateTime captureTime;
    QString utmName; // "19H 345678 6300000", without the prefix
    UtmPosition position = fallbackPosition;
    QString photoPath; // the photo as collected
};

#endif // PHOTOSTAMP_H
