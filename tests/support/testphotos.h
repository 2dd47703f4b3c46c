#ifndef TESTPHOTOS_H
#define TESTPHOTOS_H

#include "bench/naturalimage.h"

#include <QColorSpace>
#include <QImage>
#include <QMap>
#include <QString>

// Generates photos for tests: an image made with Qt, saved as JPEG, PNG or
// TIFF, then given the chosen EXIF, IPTC and XMP through Exiv2.
struct TestPhoto
{
    int width = 64;
    int height = 48;
    QColor fill = QColor(40, 90, 160);
    bool hasGps = false;
    double latitude = 0.0; // degrees, south negative
    double longitude = 0.0; // degrees, west negative
    QString latitudeRef; // empty: "N"/"S" from the sign; "-": no tag
    QString longitudeRef; // empty: "E"/"W" from the sign; "-": no tag
    bool hasDirection = false;
    double direction = 0.0; // degrees
    bool hasAltitude = false;
    double altitude = 0.0; // metres, negative below sea level
    int altitudeRef = -1; // -1: from the sign of altitude; -2: no tag
    QString dateTimeOriginal; // "yyyy:MM:dd HH:mm:ss"; empty: no tag
    QString imageDateTime; // Exif.Image.DateTime; empty: no tag
    int orientation = 0; // Exif.Image.Orientation; 0: no tag
    QMap<QString, QString> extraExif; // any further key -> value text
    QMap<QString, QString> iptc; // e.g. "Iptc.Application2.Caption"
    QMap<QString, QString> xmp; // e.g. "Xmp.dc.title"
    QColorSpace colourSpace; // written as an ICC profile when valid
    // A JPEG's dc:description written as Extended XMP, the main packet
    // naming it; empty: none.
    QString extendedXmpDescription;
};

// Writes `photo` to `path`; the format follows the suffix (jpg/jpeg, png,
// tif/tiff); parent folders are made. Returns false on any failure.
bool writeTestPhoto(const QString &path, const TestPhoto &photo = {});

// True when heif-enc (package libheif-examples) is there to make HEIF photos.
bool canWriteTestHeif();
// Writes `photo` as a JPEG and has heif-enc encode it into the HEIF file at
// `path`, carrying its EXIF, XMP and ICC profile across; the JPEG is removed.
bool writeTestHeif(const QString &path, const TestPhoto &photo = {});
// The same with its colours described by ITU-T H.273 code points (an "nclx"
// box) instead of an ICC profile, as phones write them.
bool writeNclxTestHeif(const QString &path, const TestPhoto &photo, int primaries, int transfer);

// A photo whose EXIF places it in Santiago de Chile: "19H 345713 6297592".
inline TestPhoto gpsPhoto(int widthPixels = 160, int heightPixels = 120)
{
    TestPhoto photo;
    photo.width = widthPixels;
    photo.height = heightPixels;
    photo.hasGps = true;
    photo.latitude = -33.45;
    photo.longitude = -70.66;
    photo.hasDirection = true;
    photo.direction = 45.0;
    photo.hasAltitude = true;
    photo.altitude = 550.0;
    photo.dateTimeOriginal = QStringLiteral("2024:03:05 14:30:00");
    return photo;
}

#endif // TESTPHOTOS_H
