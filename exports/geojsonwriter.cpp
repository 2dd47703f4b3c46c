#include "exports/geojsonwriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <optional>

// Centimetres are finer than any position a photo carries.
static double centimetres(double metres)
{
    return std::round(metres * 100.0) / 100.0;
}

static QJsonValue optional(const std::optional<double> &value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

static QJsonObject feature(const LocationRecord &record)
{
    QJsonArray coordinates {record.longitude, record.latitude};
    if (record.position.altitude)
        coordinates.append(*record.position.altitude);
    const QString date = isoDateTime(record.dateTime);
    QJsonObject properties {
            {QStringLiteral("archivo"), record.fileName},
            {QStringLiteral("ruta"), record.relativePath},
            {QStringLiteral("fecha"),
             date.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(date)},
            {QStringLiteral("zona"), record.position.zone},
            {QStringLiteral("letra"), QString(QLatin1Char(record.position.letter))},
            {QStringLiteral("este"), centimetres(record.position.easting)},
            {QStringLiteral("norte"), centimetres(record.position.northing)},
            {QStringLiteral("orientacion"), optional(record.position.orientation)},
            {QStringLiteral("altitud"), optional(record.position.altitude)},
    };
    // Easting and northing in a chosen system say which one.
    if (record.epsg)
        properties.insert(QStringLiteral("epsg"), record.epsg);
    return QJsonObject {
            {QStringLiteral("type"), QStringLiteral("Feature")},
            {QStringLiteral("geometry"),
             QJsonObject {{QStringLiteral("type"), QStringLiteral("Point")},
                          {QStringLiteral("coordinates"), coordinates}}},
            {QStringLiteral("properties"), properties},
    };
}

QByteArray geoJsonDocument(const QVector<LocationRecord> &records)
{
    QJsonArray features;
    for (const auto &record : records)
        features.append(feature(record));
    const QJsonObject collection {{QStringLiteral("type"), QStringLiteral("FeatureCollection")},
                                  {QStringLiteral("features"), features}};
    return QJsonDocument(collection).toJson();
}
