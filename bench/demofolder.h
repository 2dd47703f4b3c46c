#ifndef DEMOFOLDER_H
#define DEMOFOLDER_H

#include <QString>

// Writes a demo folder to try the program with: "fotos" holds generated
// photos with GPS position, direction, altitude and date in EXIF,
// "coordenadas.txt" gives the same data as a coordinates file, and "logo.png"
// is a logo to stamp. False with `error` set on failure.
bool writeDemoFolder(const QString &folder, QString &error);

#endif // DEMOFOLDER_H
