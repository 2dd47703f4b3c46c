#ifndef PHOTOGENERATOR_H
#define PHOTOGENERATOR_H

#include <QDateTime>
#include <QString>

// A generated field photo: natural-looking pixels and, in its EXIF, the GPS
// position of a UTM point (metres), the direction the camera faced (degrees),
// the altitude (metres) and the capture time.
struct GeneratedPhoto
{
    int width = 4000; // pixels
    int height = 3000; // pixels
    unsigned seed = 1;
    int zone = 19;
    char letter = 'H';
    double easting = 345000.0;
    double northing = 6300000.0;
    double direction = 0.0;
    double altitude = 0.0;
    QDateTime captureTime;
    int jpegQuality = 92;
};

// Writes the photo as a JPEG file; false with `error` set on failure.
bool writeGeneratedPhoto(const QString &path, const GeneratedPhoto &photo, QString &error);

#endif // PHOTOGENERATOR_H
