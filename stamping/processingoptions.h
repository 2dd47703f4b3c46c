#ifndef PROCESSINGOPTIONS_H
#define PROCESSINGOPTIONS_H

#include <QColor>
#include <QString>

// Every switch and value of one processing run. Filled by the window or the
// preview, copied by the engine at construction and never changed during a run.
// Positions are corner names ("arriba-izquierda", "arriba-derecha",
// "abajo-izquierda", "abajo-derecha"); ratios are fractions of the image size.
struct ProcessingOptions
{
    QString logoPath;
    QString fontPath;
    double fontSizeRatio = 0.0;
    bool useExif = false;
    QString csvPath;
    QColor fontColor;
    double logoRatio = 0.0;
    QString logoPosition;
    QString dtPosition;
    QString coordsPosition;
    QString orientationPosition;
    double compassRatio = 0.0;
    bool renamePhotos = false;
    // In EXIF mode, a photo without GPS is left untouched instead of going to
    // fallbackPosition.
    bool leavePhotosWithoutPosition = false;
    bool usePrefix = false;
    QString prefix;
    bool includeSubdirectories = false;
    bool addCompass = false;
    bool drawOrientation = false;
    bool drawTime = false;
    bool drawData = false;
    bool drawGeo = false;
    bool bgText = false;
    bool embedCsvInExif = false;
    QString compassPosition;
    bool makeBackup = false;
    bool rotateCompass = false;
    int compassStyle = 0;
    QColor compassArrowColor;
    int jpegQuality = 90;
    bool useOutputFolder = false;
    QString outputFolder;
    bool drawAltitude = false;
    QString altitudePosition;
    // Lines under the date's block, wrapped to its width: the photo's
    // description, and a text of the user's own; nothing when empty.
    bool drawDescription = false;
    QString extraText;
    // Positions from a GPS track by each photo's capture time; wins over
    // `useExif` and the coordinates file (leave `useExif` false with it).
    bool useGpxTrack = false;
    QString gpxPath; // a .gpx file, or a folder whose .gpx files are all read
    QString cameraTimeZone; // IANA id for photos without their own offset; empty: this computer's
    int clockCorrectionSeconds = 0; // how far the camera's clock was ahead of true time
    int maxPointSeparationSeconds = 300; // widest gap between track points still interpolated
    // After the batch, write the located photos to KMZ, GeoJSON and CSV.
    bool exportLocations = false;
    // Stamp again the photos an earlier run has stamped; otherwise they are left as they are.
    bool restampStamped = false;
    // JPEG photos keep their own compression: only the blocks under the
    // stamps are coded again; others fall back to `jpegQuality`.
    bool losslessStamps = false;
    // Names, stamps and files in this projected system ("EPSG:24879");
    // empty: WGS 84 / UTM in each photo's own zone.
    QString outputCrs;
};

#endif // PROCESSINGOPTIONS_H
