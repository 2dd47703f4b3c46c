#ifndef LOCATIONCSV_H
#define LOCATIONCSV_H

#include "exports/locationrecord.h"

#include <QByteArray>
#include <QVector>

// A ';'-separated UTF-8 table for QGIS's delimited-text import, one row per
// record under the header
// "archivo;latitud;longitud;altitud;orientacion;fecha;zona;letra;este;norte;epsg".
// Decimals use '.' whatever the locale; unknown values are empty fields; a
// text that a spreadsheet would read as a formula starts with an apostrophe.
QByteArray locationCsv(const QVector<LocationRecord> &records);

#endif // LOCATIONCSV_H
