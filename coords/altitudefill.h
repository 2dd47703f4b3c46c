#ifndef ALTITUDEFILL_H
#define ALTITUDEFILL_H

#include "coords/callbacks.h"
#include "geo/crs.h"

#include <QString>

#include <atomic>

// Elevation services the altitude fill can ask; any other provider name
// selects OpenTopoData.
inline constexpr char googleElevationProvider[] = "Google Elevation";
inline constexpr char openTopoDataProvider[] = "OpenTopoData";

inline constexpr char googleElevationBaseUrl[] = "https://maps.googleapis.com";
inline constexpr char openTopoDataBaseUrl[] = "https://api.opentopodata.org";

// Both services limit the rate of requests, not of points: requests go one
// at a time, their starts this far apart, each with as many points as the
// service takes and as fit in a URL it accepts.
inline constexpr int elevationRequestPauseMs = 1100;
inline constexpr int openTopoDataMaxPoints = 100;
inline constexpr int googleElevationMaxPoints = 512;
inline constexpr int maxRequestUrlChars = 8000;
// A service that stops answering, or answers a byte at a time, costs one
// request this long from start to finish, not the whole run.
inline constexpr int elevationRequestTimeoutMs = 30000;

// Where the fill asks and how fast. The defaults are each provider's public
// service at its rate-limit pace; only tests and benchmarks point elsewhere.
struct ElevationService
{
    QString baseUrl; // empty: the provider's public endpoint
    int pauseMs = elevationRequestPauseMs; // start to start
    int timeoutMs = elevationRequestTimeoutMs;
};

// Fills the altitude column (found by its header name, or appended) of a
// ';'-separated coordinates file with the ground elevation, in metres, of
// each row's UTM position, asking the service for groups of rows, and then
// rewrites the file atomically. Every outcome is a log line; the API key is
// never logged.
//
// Setting `*stop` ends the run after aborting the request in flight: the
// rows filled so far are written back, the others stay as they were.
//
// True exactly when every row asked about got its value and the file was
// written.
//
// Blocks until done and owns its network access and event loop, so it is
// meant to run on a worker thread; both callbacks are called on that thread.
//
// With `crs` (a chosen coordinate system) easting and northing are in that
// system, as the batch reads them, and go to WGS 84 through PROJ.
bool fillAltitudes(const QString &path, const QString &provider, const QString &apiKey,
                   bool overwrite, const LogCallback &log, const ProgressCallback &progress,
                   const ElevationService &service = {}, const std::atomic<bool> *stop = nullptr,
                   const CrsTransform *crs = nullptr);

#endif // ALTITUDEFILL_H
