#ifndef ELEVATIONCLIENT_H
#define ELEVATIONCLIENT_H

#include "coords/callbacks.h"
#include "coords/elevationservice.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QNetworkAccessManager>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <atomic>
#include <optional>

// The service one run asks, the key it asks with, and the flag that stops
// the run.
struct ElevationSource
{
    QString provider;
    QString apiKey;
    ElevationService service;
    const std::atomic<bool> *stop = nullptr;

    bool isGoogle() const { return provider == QLatin1String(googleElevationProvider); }
    int maxPoints() const { return isGoogle() ? googleElevationMaxPoints : openTopoDataMaxPoints; }
    bool stopped() const { return stop && stop->load(); }
};

// Sends the requests of one run: one at a time, their starts `pauseMs`
// apart, and a failed one tried once more.
class ElevationClient
{
public:
    ElevationClient(const ElevationSource &source, const LogCallback &log);

    // The points fit in one request: no more than the service takes, in a URL
    // it accepts.
    bool fits(const QStringList &points) const;

    // One result per point, in their order; none when both tries failed, the
    // reply does not match the points, or the run was stopped.
    std::optional<QJsonArray> ask(const QStringList &points);

private:
    struct Transfer;

    // False when the run was stopped while waiting.
    bool waitForTurn();
    // Waits for the reply in a local event loop, so the calling thread needs
    // no event loop of its own. The time limit covers the whole request: a
    // service sending a byte now and then does not keep it alive.
    Transfer fetch(const QUrl &url, qint64 maxBytes);

    const ElevationSource &source;
    LogCallback log;
    QString encodedKey;
    QNetworkAccessManager manager;
    QElapsedTimer lastStart;
};

#endif // ELEVATIONCLIENT_H
