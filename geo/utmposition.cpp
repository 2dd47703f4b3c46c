#include "geo/utmposition.h"

#include "geo/utm.h"

UtmPosition utmPositionOf(double latitude, double longitude, std::optional<double> direction,
                          std::optional<double> altitude)
{
    UtmPosition position;
    latLonToUtm(latitude, longitude, position.zone, position.letter, position.easting,
                position.northing);
    position.orientation = direction;
    position.altitude = altitude;
    return position;
}
