#ifndef GLOBELIMITS_H
#define GLOBELIMITS_H

#include <cmath>
#include <cstring>

// The ranges a position or altitude on Earth can take. Values from files,
// EXIF or services outside them are damaged and must never reach a name or a
// tag. NaN fails every test.

inline bool isOnGlobe(double latitude, double longitude)
{
    return std::abs(latitude) <= 90.0 && std::abs(longitude) <= 180.0;
}

// Zones 1 to 60 and the latitude bands C to X without I and O.
inline bool isUtmZoneAndBand(int zone, char letter)
{
    return zone >= 1 && zone <= 60 && letter != '\0'
            && std::strchr("CDEFGHJKLMNPQRSTUVWX", letter) != nullptr;
}

// Eastings stay within a zone's width and northings between the equator's
// and the false northing's ends; anything else was never a photo's position.
inline bool isUtmPosition(int zone, char letter, double easting, double northing)
{
    return isUtmZoneAndBand(zone, letter) && easting >= 0.0 && easting <= 1.0e6 && northing >= 0.0
            && northing <= 1.0e7;
}

// From below the Dead Sea shore to above the highest summit, in metres.
inline bool isPlausibleAltitude(double metres)
{
    return metres >= -500.0 && metres <= 9000.0;
}

#endif // GLOBELIMITS_H
