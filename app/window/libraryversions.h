#ifndef LIBRARYVERSIONS_H
#define LIBRARYVERSIONS_H

#include <QString>

#include <vector>

struct LibraryVersion
{
    QString name;
    QString version;
};

// The libraries that read, stamp and write the photos, with the versions in
// use: Qt, Exiv2, libzip, PROJ and libheif as loaded now, libjpeg-turbo
// (reached through Qt's JPEG plugin, which offers no version call) as built
// against.
std::vector<LibraryVersion> libraryVersions();

#endif // LIBRARYVERSIONS_H
