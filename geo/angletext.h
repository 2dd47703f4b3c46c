#ifndef ANGLETEXT_H
#define ANGLETEXT_H

#include <QString>

// Text forms of angles stamped on photos. Pure functions, safe from any thread.

// Degrees, truncated minutes and rounded whole seconds of |angle| (degrees),
// followed by `positive` when angle >= 0 and `negative` otherwise.
// Seconds are not carried: 59.5 s or more prints as 60.
QString formatDms(double angle, const QString &positive, const QString &negative);

// "<latitude DMS> <longitude DMS>" with N/S and E/W.
QString formatLatLonDms(double latitude, double longitude);

// One of the 16 compass points ("N", "NNE", ... "NNW") for a direction in degrees.
QString compassPointName(double direction);

#endif // ANGLETEXT_H
