#ifndef CAPTUREINSTANT_H
#define CAPTUREINSTANT_H

#include "metadata/exifreader.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>

// The true moment a photo was taken.
struct CaptureInstant
{
    QDateTime utc; // invalid when the clock reading is
    QString zone; // the photo's own offset ("-03:00") or the camera zone's id
    int offsetSeconds = 0; // east of UTC: that offset, or the camera zone's at the reading
    bool ambiguous = false; // the reading fell in the hour that repeats; the first was taken
};

// The clock reading in its zone (the photo's OffsetTimeOriginal when it is a
// valid offset, else `cameraZone` with the rules of that date) minus
// `clockCorrectionSeconds`, how far the camera's clock was ahead. A reading
// the zone skips (clocks going forward) moves on by the gap, 02:30 to 03:30.
CaptureInstant captureInstant(const CaptureClock &clock, const QTimeZone &cameraZone,
                              int clockCorrectionSeconds);

// The instant as its own zone's clock shows it, with that offset: the time
// location files write.
QDateTime zonedInstant(const CaptureInstant &instant);

#endif // CAPTUREINSTANT_H
