#ifndef TRACKPOSITIONING_H
#define TRACKPOSITIONING_H

#include "coords/gpxtrack.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTimeZone>
#include <QVector>

#include <exiv2/exiv2.hpp>

#include <optional>

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
    std::optional<double> altitude; // metres, from the track, else from the photo
    std::optional<double> direction; // degrees, the photo's own GPSImgDirection
    QDateTime utc; // the capture instant used, when there was one
    QDateTime zoned; // the same instant at the offset of the zone it was read in
};

// Places the photo named `fileName` by the capture time in its `exif` and
// appends lines that say how, or why it has no position.
TrackFix locateOnTrack(const TrackPositioning &positioning, const Exiv2::ExifData &exif,
                       const QString &fileName, QStringList &lines);

// When the track has no place for some of the capture instants `utcMs` but
// would have one for most of them with the camera clock a whole number of
// hours off, the line that says so; otherwise empty.
QString clockShiftHint(const TrackPositioning &positioning, const QVector<qint64> &utcMs);

// A time span: "45 s" up to two minutes, then "2 h 55 min 10 s".
QString durationText(qint64 milliseconds);

#endif // TRACKPOSITIONING_H
