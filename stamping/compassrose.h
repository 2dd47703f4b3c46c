#ifndef COMPASSROSE_H
#define COMPASSROSE_H

#include <QColor>
#include <QImage>
#include <QString>

// Renders the compass rose as a transparent size x size image (pixels) for an
// orientation in degrees clockwise from north, in style 0..3; any other style
// gives an empty transparent image.
QImage renderCompassRose(double orientation, int size, double compassRatio, const QString &fontPath,
                         bool rotateCompass, int compassStyle, const QColor &arrowColor);

#endif // COMPASSROSE_H
