#include "coords/elevationreply.h"

#include "coords/coordinatesrow.h"
#include "coords/logquote.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

// A location a result names is the point asked about when this close; the
// request gives eight decimals, the services echo them rounded.
static constexpr double locationToleranceDegrees = 1e-5;

std::optional<QJsonArray> serviceResults(const QByteArray &body, bool google,
                                         const LogCallback &log)
{
    const QString text = quotedForLog(QString::fromUtf8(body));
    log(QStringLiteral("DEBUG: Respuesta cruda: %1").arg(text));
    log(QStringLiteral("DEBUG: JSON recibido: %1").arg(text));
    const QJsonObject reply = QJsonDocument::fromJson(body).object();
    const QString status = quotedForLog(reply.value(QLatin1String("status")).toString());
    if (google) {
        if (status != QLatin1String("OK")) {
            log(QStringLiteral("Error de API Google: ") + status + QStringLiteral(" - ")
                + quotedForLog(reply.value(QLatin1String("error_message")).toString()));
            return std::nullopt;
        }
    } else if (status != QLatin1String("OK") || !reply.contains(QLatin1String("results"))) {
        const QString error = reply.contains(QLatin1String("error"))
                ? quotedForLog(reply.value(QLatin1String("error")).toString())
                : QStringLiteral("Sin detalles");
        log(QStringLiteral("Error de API OpenTopoData: %1 - %2").arg(status, error));
        return std::nullopt;
    }
    return reply.value(QLatin1String("results")).toArray();
}

QString strayLocation(const QJsonArray &results, const QStringList &points)
{
    for (qsizetype i = 0; i < results.size(); ++i) {
        const QJsonObject location
                = results.at(i).toObject().value(QLatin1String("location")).toObject();
        if (location.isEmpty())
            continue;
        const QJsonValue latitude = location.value(QLatin1String("lat"));
        const QJsonValue longitude = location.value(QLatin1String("lng"));
        const QStringList asked = points.at(i).split(QLatin1Char(','));
        // The antimeridian's two names are one place.
        if (latitude.isDouble() && longitude.isDouble()
            && std::abs(latitude.toDouble() - asked.at(0).toDouble()) <= locationToleranceDegrees
            && std::abs(std::remainder(longitude.toDouble() - asked.at(1).toDouble(), 360.0))
                    <= locationToleranceDegrees)
            continue;
        return QStringLiteral("%1 en vez de %2")
                .arg(quotedForLog(QString::fromUtf8(
                             QJsonDocument(location).toJson(QJsonDocument::Compact))),
                     points.at(i));
    }
    return QString();
}

std::optional<double> elevationOf(const QJsonValue &result, const QString &rowName,
                                  QStringList &logLines)
{
    const QJsonValue elevation = result.toObject().value(QLatin1String("elevation"));
    const QString name = quotedForLog(rowName.trimmed());
    if (elevation.isNull()) {
        logLines.append(
                QStringLiteral("Altitud descartada para %1: sin dato de elevación").arg(name));
        return std::nullopt;
    }
    if (!elevation.isDouble()) {
        const QString given = elevation.isUndefined()
                ? QStringLiteral("nada")
                : quotedForLog(QString::fromUtf8(
                        QJsonDocument(QJsonArray {elevation}).toJson(QJsonDocument::Compact)));
        logLines.append(
                QStringLiteral("Altitud descartada para %1: el servicio no dio un número (%2)")
                        .arg(name, given));
        return std::nullopt;
    }
    if (!isPlausibleAltitude(elevation.toDouble())) {
        logLines.append(
                QStringLiteral("Altitud descartada para %1: %2 m está fuera de -500 … 9000 m")
                        .arg(name, QString::number(elevation.toDouble())));
        return std::nullopt;
    }
    return elevation.toDouble();
}
