#ifndef ALTITUDEFILL_H
#define ALTITUDEFILL_H

#include "coords/callbacks.h"
#include "coords/elevationservice.h"
#include "geo/crs.h"

#include <QString>

#include <atomic>

// Fills the altitude column (found by its header name, or appended) of a
// ';'-separated coordinates file with the ground elevation, in metres, of
// each row's UTM position, asking the service for groups of rows, and then
// rewrites the file atomically. Every outcome is a log line; the API key is
// never logged.
//
// Setting `*stop` ends the run after aborting the request in flight: the
// rows filled so far are written back, the others stay as they were.
//
// The outcome says whether the file was written and how many rows got
// their value.
//
// Blocks until done and owns its network access and event loop, so it is
// meant to run on a worker thread; both callbacks are called on that thread.
//
// With `crs` (a chosen coordinate system) easting and northing are in that
// system, as the batch reads them, and go to WGS 84 through PROJ.
// What one fill did.
struct AltitudeFillOutcome
{
    bool written = false; // the file was rewritten with what was found
    bool stopped = false; // ended early by `*stop`
    int asked = 0; // rows asked about
    int updated = 0; // rows that got their value
    // Every row asked about got its value and the file was written.
    bool complete() const { return written && !stopped && updated == asked; }
};

AltitudeFillOutcome fillAltitudes(const QString &path, const QString &provider,
                                  const QString &apiKey, bool overwrite, const LogCallback &log,
                                  const ProgressCallback &progress,
                                  const ElevationService &service = {},
                                  const std::atomic<bool> *stop = nullptr,
                                  const CrsTransform *crs = nullptr);

#endif // ALTITUDEFILL_H
