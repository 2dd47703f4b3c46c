#ifndef TRACKPOSITIONING_H
#define TRACKPOSITIONING_H

#include "coords/gpxtrack.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <exiv2/exiv2.hpp>

// Everything that places photos on a GPS track: the track, read once, and how
// the camera's clock relates to true time.
struct TrackPositioning
{
    GpxTrack track;
    QTimeZone cameraZone; // for photos without their own UTC offset
    int clockCorrectionSeconds = 0; // how far the camera's clock was ahead
    qint64 maxSeparationMs = 300 * 1000; // widest gap still interpolated
};

// Reads the track at `gpxPath` (a .gpx file or a folder of them) and checks
// the camera zone (an IANA id; empty means the computer's own zone). False,
// with the Spanish message that refuses the run in `error`, on bad input.
bool prepareTrackPositioning(const QString &gpxPath, const QString &cameraZoneId,
                             int clockCorrectionSeconds, int maxSeparationSeconds,
                             TrackPositioning &positioning, QString &error);

// The lines that describe the track and the clock settings before a batch.
QStringList trackSummary(const TrackPositioning &positioning);

// One photo's place on the track.
struct TrackFix
{
    bool found = false;
    double latitude = 0.0; // degrees
    double longitude = 0.0; // degrees
    bool hasAltitude = false; // from the track, else from the photo
    double altitude = 0.0; // metres
    bool hasDirection = false; // the photo's own GPSImgDirection
    double direction = 0.0; // degrees
    QDateTime utc; // the capture instant used, when there was one
};

// Places the photo named `fileName` by the capture time in its `exif` and
// appends lines that say how, or why it has no position.
TrackFix locateOnTrack(const TrackPositioning &positioning, const Exiv2::ExifData &exif,
                       const QString &fileName, QStringList &lines);

#endif // TRACKPOSITIONING_H
