#ifndef LOCATIONEXPORT_H
#define LOCATIONEXPORT_H

#include "coords/callbacks.h"
#include "exports/locationrecord.h"
#include "stamping/processingoptions.h"

#include <QString>
#include <QVector>

#include <exiv2/exiv2.hpp>

#include <atomic>

inline constexpr char kmzFileName[] = "ubicaciones.kmz";
inline constexpr char geoJsonFileName[] = "ubicaciones.geojson";
inline constexpr char csvFileName[] = "ubicaciones.csv";
// The photo report's files, "registro_fotografico.pdf" and ".docx" (written
// by report/): with the location files, what describes a folder's photos.
inline constexpr char reportBaseName[] = "registro_fotografico";

// Where a batch writes its location files: next to the processed photos,
// in the output folder when one is used, else in the photo folder.
QString locationFolder(const ProcessingOptions &options, const QString &batchFolder);

// The order of the location files, the photo report and its map numbers:
// unknown times first, then by time, then by path. A time without its offset
// from UTC cannot be set against one with it, so the true instant decides
// only when every known time carries its offset (`byInstant`); otherwise the
// camera's clock readings are compared.
bool capturedBefore(const LocationRecord &a, const LocationRecord &b, bool byInstant);
// True when every known time of `records` carries its offset from UTC.
bool instantsKnown(const QVector<LocationRecord> &records);
void sortByCapture(QVector<LocationRecord> &records);

// The record of the photo at `photo` from its EXIF (`exif`, already read):
// GPS, direction, altitude and capture time, its path taken below `folder`,
// its easting and northing in `crs` when one is given; no thumbnail. False
// when the photo has no GPS position, or none in `crs`. An altitude off the
// Earth and a place outside the area of use of `crs` are logged;
// `outsideArea`, when given, says the latter. `transformation`, when given,
// receives the one PROJ used (see `CrsTransform::forward`).
bool readPhotoLocation(const QString &photo, const Exiv2::ExifData &exif, const QString &folder,
                       const CrsTransform *crs, LocationRecord &record, const LogCallback &log,
                       QString *transformation = nullptr, bool *outsideArea = nullptr);

// Writes "ubicaciones.kmz", "ubicaciones.geojson" and "ubicaciones.csv" into
// `folder`, the records in order of date. Each file replaces the old one
// only when complete; one log line per file says where it went or why not.
// True when all three were written.
bool writeLocationFiles(const QString &folder, QVector<LocationRecord> records,
                        const LogCallback &log);

struct LocationExportOutcome
{
    int located = 0; // photos that went into the files
    int total = 0; // photos read
    int unreadable = 0; // files that are no photo it can read, named in the log
    int outsideArea = 0; // located outside the area of use of the chosen system
    bool stopped = false;
    bool written = false; // all three files were written
};

// The location files of the photos already in `folder` (and its subfolders
// with `includeSubdirectories`), from their EXIF GPS. Photos without one, and
// files that cannot be read as photos (with the reason, as errors), are named
// in the log and left out. Only reads the photos, never changes them.
// Writes nothing when no photo has a position or once `stop` (may be null)
// is set: the files of an earlier export stay as they were. Blocks until
// done: run it off the GUI thread. `progress` may be empty. With `crs`,
// easting and northing are in that system.
LocationExportOutcome exportFolderLocations(const QString &folder, bool includeSubdirectories,
                                            const LogCallback &log,
                                            const ProgressCallback &progress,
                                            const std::atomic<bool> *stop = nullptr,
                                            const CrsTransform *crs = nullptr);

#endif // LOCATIONEXPORT_H
