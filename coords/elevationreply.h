#ifndef ELEVATIONREPLY_H
#define ELEVATIONREPLY_H

#include "coords/callbacks.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <optional>

// Reading an elevation service's reply: OpenTopoData and Google Elevation
// answer in JSON with a "status" and one result a point.

// The reply's "results" when the service says all went well; its error,
// logged, otherwise. `google` tells which service answered.
std::optional<QJsonArray> serviceResults(const QByteArray &body, bool google,
                                         const LogCallback &log);

// A result's "location", when it names one, must be its own point asked
// about: results taken by position go into the wrong rows when a service
// reorders them. Says which is not, e.g. "-33.1,-70.2 en vez de
// -33.3,-70.1"; empty when all are.
QString strayLocation(const QJsonArray &results, const QStringList &points);

// A number in the range of the Earth's surface is the elevation; anything
// else is no value, with a line about the row `rowName` saying why added to
// `logLines`. JSON null is the services' "no data here" (sea, a hole in the
// model), not sea level.
std::optional<double> elevationOf(const QJsonValue &result, const QString &rowName,
                                  QStringList &logLines);

#endif // ELEVATIONREPLY_H
