#ifndef GPXTRACK_H
#define GPXTRACK_H

#include <QString>
#include <QtGlobal>

#include <vector>

// One logged position of a GPS track.
struct TrackPoint
{
    qint64 utcMs = 0; // milliseconds since 1970-01-01T00:00:00Z
    double latitude = 0.0; // degrees, south negative
    double longitude = 0.0; // degrees, west negative
    double elevation = 0.0; // metres
    bool hasElevation = false;
};

// The points of one or more GPX files, merged.
struct GpxTrack
{
    std::vector<TrackPoint> points; // sorted by time, earliest first
    int fileCount = 0;
    int skippedCount = 0; // points without a valid time or off the globe
    // Points kept without an elevation because theirs lay outside -500 … 9000 m.
    int implausibleElevationCount = 0;
};

// Reads every trkpt of every trk/trkseg (GPX 1.0 and 1.1; rtept and wpt are
// not track points) of the .gpx file at `path`, or of every .gpx file
// directly in the folder `path`, into `track`. Times are ISO 8601 with "Z" or
// an offset such as "-03:00", fractional seconds allowed; a time without
// either is UTC, as GPX defines. False, with a Spanish message naming the
// file (and for XML errors the line and column) in `error`, when a file cannot
// be read or is not well-formed XML, when the folder holds no .gpx file, or
// when no usable point was found.
bool readGpxTrack(const QString &path, GpxTrack &track, QString &error);

#endif // GPXTRACK_H
