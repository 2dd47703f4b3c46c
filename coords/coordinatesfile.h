#ifndef COORDINATESFILE_H
#define COORDINATESFILE_H

#include "coords/callbacks.h"
#include "coords/coordinaterecord.h"
#include "geo/crs.h"

// Header the program writes for new coordinates files.
inline constexpr char coordinatesFileHeader[]
        = "nombre_de_la_foto.jpg;zona;letra;easting;northing;orientacion;fecha_hora;altitud";
// The optional ninth column, written only when some photo has a description.
inline constexpr char descriptionColumnName[] = "descripcion";
// The description column holds the rest of the line, so a ';' typed in a
// description stays part of it.
inline constexpr int descriptionColumn = 8;

// Reads a ';'-separated coordinates file (UTF-8, optional BOM, LF, CR LF or CR).
// Every problem is one log line, in file order, on the caller's thread; bad
// rows are skipped or kept without the bad optional value, and reading goes on.
// With `crs` (a chosen coordinate system) easting and northing are in that
// system: any number is taken, and a UTM system's rows must be in its zone.
CoordinateMap readCoordinatesFile(const QString &path, const LogCallback &log,
                                  const CrsTransform *crs = nullptr);

// Photo file name to the description of its row, for rows that have one;
// positions are not judged. An unreadable file is one log line and no
// descriptions.
QMap<QString, QString> readCoordinateDescriptions(const QString &path, const LogCallback &log);

#endif // COORDINATESFILE_H
