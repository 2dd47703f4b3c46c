#include "coords/captureinstant.h"

#include "coords/isotime.h"

#include <algorithm>

static constexpr qint64 dayMs = 24 * 3600 * 1000;

static qint64 offsetMsAt(const QTimeZone &zone, qint64 utcMs)
{
    return qint64(zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC))) * 1000;
}

// `readingMs` is the wall-clock reading counted as if it were UTC. Each of the
// offsets in force a day before and a day after gives a candidate instant; a
// candidate holds when the zone has that offset at it. Two that hold are the
// repeated autumn hour; none, the skipped spring hour. Qt 6.4 leaves both
// cases to the platform, so they are settled here.
static qint64 zoneReadingToUtc(const QTimeZone &zone, qint64 readingMs, bool &ambiguous)
{
    const qint64 offsetBefore = offsetMsAt(zone, readingMs - dayMs);
    const qint64 offsetAfter = offsetMsAt(zone, readingMs + dayMs);
    const qint64 early = readingMs - offsetBefore;
    const qint64 late = readingMs - offsetAfter;
    const bool earlyHolds = offsetMsAt(zone, early) == offsetBefore;
    const bool lateHolds = offsetMsAt(zone, late) == offsetAfter;
    ambiguous = earlyHolds && lateHolds && early != late;
    if (earlyHolds && lateHolds)
        return std::min(early, late);
    return lateHolds ? late : early;
}

CaptureInstant captureInstant(const CaptureClock &clock, const QTimeZone &cameraZone,
                              int clockCorrectionSeconds)
{
    CaptureInstant instant;
    if (!clock.date.isValid() || !clock.time.isValid())
        return instant;
    const qint64 readingMs = QDateTime(clock.date, clock.time, Qt::UTC).toMSecsSinceEpoch();
    int offsetSeconds = 0;
    qint64 utcMs = 0;
    if (parseUtcOffset(clock.offset, offsetSeconds)) {
        instant.zone = clock.offset;
        utcMs = readingMs - qint64(offsetSeconds) * 1000;
    } else {
        instant.zone = QString::fromUtf8(cameraZone.id());
        utcMs = zoneReadingToUtc(cameraZone, readingMs, instant.ambiguous);
        offsetSeconds = int(offsetMsAt(cameraZone, utcMs) / 1000);
    }
    instant.offsetSeconds = offsetSeconds;
    instant.utc = QDateTime::fromMSecsSinceEpoch(utcMs - qint64(clockCorrectionSeconds) * 1000,
                                                 Qt::UTC);
    return instant;
}

QDateTime zonedInstant(const CaptureInstant &instant)
{
    return instant.utc.isValid() ? instant.utc.toOffsetFromUtc(instant.offsetSeconds) : QDateTime();
}
