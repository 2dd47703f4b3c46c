#ifndef UTM_H
#define UTM_H

// WGS84 transverse Mercator (UTM) projection, both directions.
// Latitude and longitude in decimal degrees (north and east positive);
// easting and northing in metres with the false easting and, south of the
// equator, the false northing included. No input is rejected.

void latLonToUtm(double latitude, double longitude, int &zone, char &letter, double &easting,
                 double &northing);

void utmToLatLon(int zone, char letter, double easting, double northing, double &latitude,
                 double &longitude);

#endif // UTM_H
