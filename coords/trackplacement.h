#ifndef TRACKPLACEMENT_H
#define TRACKPLACEMENT_H

#include "coords/gpxtrack.h"

// Outside the track, or inside a gap wider than the maximum separation, the
// nearest point counts only when it is at most this far in time.
constexpr qint64 nearestPointToleranceMs = 60 * 1000;

enum class TrackMatch {
    Exact, // the instant is a point's own time
    Interpolated, // between two points at most the maximum separation apart
    Nearest, // the nearest point, within the tolerance
    None // no point near enough
};

// Where a track puts one instant, and how it was found.
struct TrackPlacement
{
    TrackMatch match = TrackMatch::None;
    double latitude = 0.0; // degrees
    double longitude = 0.0; // degrees
    double elevation = 0.0; // metres
    bool hasElevation = false;
    qint64 beforeMs = 0; // Interpolated: time since the point before
    qint64 afterMs = 0; // Interpolated: time to the point after
    qint64 nearestMs = 0; // Nearest and None: time to the nearest point
};

// Places `utcMs` on `track` (not empty, sorted by time): linear interpolation
// in time of latitude, longitude and elevation between the two points around
// it when they are at most `maxSeparationMs` apart, else the nearest point
// within nearestPointToleranceMs. Elevation is interpolated only when both
// points have one. Binary search: O(log n).
TrackPlacement placeOnTrack(const GpxTrack &track, qint64 utcMs, qint64 maxSeparationMs);

#endif // TRACKPLACEMENT_H
