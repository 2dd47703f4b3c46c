#ifndef COORDINATESFILE_H
#define COORDINATESFILE_H

#include "coords/callbacks.h"
#include "coords/coordinaterecord.h"
#include "geo/crs.h"

// Header the program writes for new coordinates files.
inline constexpr char coordinatesFileHeader[]
        = "nombre_de_la_foto.jpg;zona;letra;easting;northing;orientacion;fecha_hora;altitud";

// Reads a ';'-separated coordinates file (UTF-8, optional BOM, LF, CR LF or CR).
// Every problem is one log line, in file order, on the caller's thread; bad
// rows are skipped or kept without the bad optional value, and reading goes on.
// With `crs` (a chosen coordinate system) easting and northing are in that
// system: any number is taken, and a UTM system's rows must be in its zone.
CoordinateMap readCoordinatesFile(const QString &path, const LogCallback &log,
                                  const CrsTransform *crs = nullptr);

#endif // COORDINATESFILE_H
