#ifndef UTMPOSITION_H
#define UTMPOSITION_H

#include <optional>

// A photo's place on the UTM grid (WGS84) with the direction it faced and its
// altitude, each when known.
struct UtmPosition
{
    int zone = 0;
    char letter = 'N'; // latitude band
    double easting = 0.0; // metres, false easting included
    double northing = 0.0; // metres, false northing included south of the equator
    std::optional<double> orientation; // degrees
    std::optional<double> altitude; // metres
};

// The fixed position of a photo that has none of its own.
inline const UtmPosition fallbackPosition {19, 'J', 500000.0, 6000000.0, {}, {}};

// A GPS reading (decimal degrees, direction in degrees, altitude in metres)
// projected onto the UTM grid; an unknown direction or altitude stays unknown.
UtmPosition utmPositionOf(double latitude, double longitude, std::optional<double> direction,
                          std::optional<double> altitude);

#endif // UTMPOSITION_H
