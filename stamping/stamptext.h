#ifndef STAMPTEXT_H
#define STAMPTEXT_H

#include "stamping/photostamp.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

class QFontMetrics;

// The texts stamped on a photo. Numbers are written the same whatever the
// locale.

// "UTM <name>", or latitude/longitude in degrees, minutes and seconds when
// `drawGeo` is set: the photo's own EXIF GPS position in EXIF mode (keeping
// the UTM text when it has none), projected back from UTM otherwise.
// With a chosen coordinate system its line (`crsText`) replaces the UTM text.
QString coordinatesText(const PhotoStamp &photo, bool drawGeo, bool useExif);

// "PSAD56 / UTM 19S  E 352593  N 6299134": easting and northing in whole
// metres in the chosen system.
QString crsCoordinatesText(const UtmPosition &position, const CrsTransform &crs);

// "007° N": the bearing in degrees rounded half away from zero, taken modulo
// 360, three digits; the compass point of the unrounded bearing.
QString orientationText(double orientation);

// "360° N": the bearing in degrees rounded, neither wrapped nor padded; the
// centre text of the numbered compass rose.
QString roseCentreText(double orientation);

// "Altitud: 1234 msnm" for an altitude in metres.
QString altitudeText(double altitude);

// "dd/MM/yyyy HH:mm:ss" with the time, "dd/MM/yyyy" without.
QString dateText(const QDateTime &captureTime, bool withTime);

// `text` in lines no wider than `width` pixels: broken between words, a
// word wider than a line broken between its characters. Line breaks in
// `text` count as spaces; none for blank text.
QStringList wrappedLines(const QString &text, const QFontMetrics &metrics, int width);

#endif // STAMPTEXT_H
