#ifndef PHOTOGENERATOR_H
#define PHOTOGENERATOR_H

#include "geo/utmposition.h"

#include <QDateTime>
#include <QString>

// A generated field photo: natural-looking pixels and, in its EXIF, the GPS
// position of a UTM point with the direction the camera faced and the
// altitude, and the capture time.
struct GeneratedPhoto
{
    int width = 4000; // pixels
    int height = 3000; // pixels
    unsigned seed = 1;
    UtmPosition position {19, 'H', 345000.0, 6300000.0, 0.0, 0.0};
    QDateTime captureTime;
    int jpegQuality = 92;
    bool fullChroma = false; // 4:4:4 instead of the 4:2:0 Qt's writer gives
};

// Writes the photo as a JPEG file; false with `error` set on failure.
bool writeGeneratedPhoto(const QString &path, const GeneratedPhoto &photo, QString &error);

#endif // PHOTOGENERATOR_H
