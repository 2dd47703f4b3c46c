#include "coords/trackplacement.h"

#include <algorithm>
#include <cstdlib>

static TrackPlacement atPoint(const TrackPoint &point, TrackMatch match, qint64 distanceMs)
{
    TrackPlacement placement;
    placement.match = match;
    placement.latitude = point.latitude;
    placement.longitude = point.longitude;
    placement.elevation = point.elevation;
    placement.hasElevation = point.hasElevation;
    placement.nearestMs = distanceMs;
    return placement;
}

// Two points on either side of the antimeridian are joined across it, not
// around the world.
static double interpolateLongitude(double from, double to, double fraction)
{
    double step = to - from;
    if (step > 180.0)
        step -= 360.0;
    else if (step < -180.0)
        step += 360.0;
    double longitude = from + step * fraction;
    if (longitude > 180.0)
        longitude -= 360.0;
    else if (longitude < -180.0)
        longitude += 360.0;
    return longitude;
}

static TrackPlacement between(const TrackPoint &before, const TrackPoint &after, qint64 utcMs)
{
    const double fraction = double(utcMs - before.utcMs) / double(after.utcMs - before.utcMs);
    TrackPlacement placement;
    placement.match = TrackMatch::Interpolated;
    placement.latitude = before.latitude + (after.latitude - before.latitude) * fraction;
    placement.longitude = interpolateLongitude(before.longitude, after.longitude, fraction);
    placement.hasElevation = before.hasElevation && after.hasElevation;
    if (placement.hasElevation)
        placement.elevation = before.elevation + (after.elevation - before.elevation) * fraction;
    placement.beforeMs = utcMs - before.utcMs;
    placement.afterMs = after.utcMs - utcMs;
    return placement;
}

TrackPlacement placeOnTrack(const GpxTrack &track, qint64 utcMs, qint64 maxSeparationMs)
{
    const auto &points = track.points;
    // The first point at or after the instant.
    const auto next = std::lower_bound(
            points.begin(), points.end(), utcMs,
            [](const TrackPoint &point, qint64 instant) { return point.utcMs < instant; });
    if (next != points.end() && next->utcMs == utcMs)
        return atPoint(*next, TrackMatch::Exact, 0);
    if (next != points.begin() && next != points.end()
        && next->utcMs - std::prev(next)->utcMs <= maxSeparationMs)
        return between(*std::prev(next), *next, utcMs);
    const TrackPoint *nearest = next == points.end() ? &points.back() : &*next;
    if (next != points.begin() && utcMs - std::prev(next)->utcMs < nearest->utcMs - utcMs)
        nearest = &*std::prev(next);
    const qint64 distanceMs = std::abs(nearest->utcMs - utcMs);
    return atPoint(*nearest,
                   distanceMs <= nearestPointToleranceMs ? TrackMatch::Nearest : TrackMatch::None,
                   distanceMs);
}
