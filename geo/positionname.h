#ifndef POSITIONNAME_H
#define POSITIONNAME_H

#include "geo/crs.h"
#include "geo/utmposition.h"

#include <QString>

// "%1%2 %3 %4": zone, band letter, easting and northing rounded to whole
// metres, e.g. "19H 345678 6300000". The same text whatever the locale.
QString utmName(const UtmPosition &position);

// The name in a chosen projected system: as utmName for a UTM system (its
// zone, the latitude's band), "EPSG<code> <E> <N>" for other projections.
QString crsName(const UtmPosition &position, const CrsTransform &crs);

// The system a position's numbers are in: the chosen one's short name
// ("PSAD56 / UTM 19S"), else "WGS 84 / UTM 19H" with its zone and band.
QString positionSystemName(const UtmPosition &position, const CrsTransform *crs);

#endif // POSITIONNAME_H
