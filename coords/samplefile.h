#ifndef SAMPLEFILE_H
#define SAMPLEFILE_H

#include "coords/callbacks.h"
#include "coords/trackpositioning.h"
#include "geo/crs.h"

#include <QString>

// Writes a coordinates file with one row per photo of the batch `folder`
// would run (collectPhotos), in the same order.
// With `useExif`, each row takes the photo's GPS position, direction,
// altitude and capture time; photos without GPS, and every photo without
// `useExif`, get a fixed position and the current time. With `useExif` a
// ninth column "descripcion" holds each photo's caption, written only when
// some photo has one. With `track` too,
// the position comes from the track by the photo's capture time instead of
// from its GPS tags. With `crs` the positions are written in that system (a
// UTM system's zone in the zone column). Outcomes are log lines; the file is
// always readable by readCoordinatesFile, and replaces an older one only once
// complete.
void writeSampleCoordinatesFile(const QString &folder, const QString &targetPath,
                                bool includeSubdirectories, bool useExif, const LogCallback &log,
                                const TrackPositioning *track = nullptr,
                                const CrsTransform *crs = nullptr);

#endif // SAMPLEFILE_H
