#ifndef ALTITUDEFILL_H
#define ALTITUDEFILL_H

#include "coords/callbacks.h"

#include <QString>

// Elevation services the altitude fill can ask; any other provider name
// selects OpenTopoData.
inline constexpr char googleElevationProvider[] = "Google Elevation";
inline constexpr char openTopoDataProvider[] = "OpenTopoData";

inline constexpr char googleElevationBaseUrl[] = "https://maps.googleapis.com";
inline constexpr char openTopoDataBaseUrl[] = "https://api.opentopodata.org";

// Both services limit the request rate; one request at a time, this long
// apart, keeps a run within their free quotas.
inline constexpr int elevationRequestPauseMs = 1100;
// A service that stops answering costs one row, not the whole run.
inline constexpr int elevationRequestTimeoutMs = 30000;

// Fills the altitude column (found by its header name, or appended) of a
// ';'-separated coordinates file with the ground elevation, in metres, of
// each row's UTM position, asking the service one row at a time, and then
// rewrites the file atomically. Every outcome is a log line; the API key is
// never logged.
//
// Blocks until done and owns its network access and event loop, so it is
// meant to run on a worker thread; both callbacks are called on that thread.
// An empty baseUrl means the provider's public endpoint; the last three
// parameters exist so that the job can be pointed at another server.
void fillAltitudes(const QString &path, const QString &provider, const QString &apiKey,
                   bool overwrite, const LogCallback &log, const ProgressCallback &progress,
                   const QString &baseUrl = QString(), int pauseMs = elevationRequestPauseMs,
                   int timeoutMs = elevationRequestTimeoutMs);

#endif // ALTITUDEFILL_H
