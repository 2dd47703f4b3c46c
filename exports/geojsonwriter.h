#ifndef GEOJSONWRITER_H
#define GEOJSONWRITER_H

#include "exports/locationrecord.h"

#include <QByteArray>
#include <QVector>

// A GeoJSON FeatureCollection (RFC 7946) with one Point feature per record:
// longitude, latitude and, when known, altitude; properties "archivo",
// "ruta", "fecha", "zona", "letra", "este", "norte", "orientacion" and
// "altitud", null when unknown.
QByteArray geoJsonDocument(const QVector<LocationRecord> &records);

#endif // GEOJSONWRITER_H
