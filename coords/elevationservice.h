#ifndef ELEVATIONSERVICE_H
#define ELEVATIONSERVICE_H

#include <QString>

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

#endif // ELEVATIONSERVICE_H
