#include "geo/utm.h"

#include "geo/numbers.h"

#include <cmath>

static constexpr double pi = 3.141592653589793;
static constexpr double semiMajorAxis = 6378137.0;
static constexpr double eccentricitySquared = 0.0066943799901413165;
static constexpr double secondEccentricitySquared = 0.006739496742276434;
static constexpr double scaleFactor = 0.9996;
static constexpr double falseEasting = 500000.0;
static constexpr double falseNorthingSouth = 10000000.0;

static double toRadians(double degrees)
{
    return degrees * pi / 180.0;
}

static double toDegrees(double radians)
{
    return radians * 180.0 / pi;
}

// 180° is the eastern edge of zone 60, not the start of a zone 61.
static int zoneForLongitude(double longitude)
{
    if (longitude == 180.0)
        return 60;
    return clampToInt(1 + truncToInteger((longitude + 180.0) / 6.0));
}

static char bandLetter(double latitude)
{
    static const struct
    {
        double lowerBound;
        char letter;
    } bands[] = {{72, 'X'},  {64, 'W'},  {56, 'V'},  {48, 'U'},  {40, 'T'},  {32, 'S'},  {24, 'R'},
                 {16, 'Q'},  {8, 'P'},   {0, 'N'},   {-8, 'M'},  {-16, 'L'}, {-24, 'K'}, {-32, 'J'},
                 {-40, 'H'}, {-48, 'G'}, {-56, 'F'}, {-64, 'E'}, {-72, 'D'}};
    for (const auto &band : bands) {
        if (latitude >= band.lowerBound)
            return band.letter;
    }
    return 'C';
}

// Central meridian in radians, formed in integers first.
static double centralMeridian(int zone)
{
    return toRadians(static_cast<double>(6 * static_cast<long long>(zone) - 183));
}

void latLonToUtm(double latitude, double longitude, int &zone, char &letter, double &easting,
                 double &northing)
{
    const double a = semiMajorAxis;
    const double e2 = eccentricitySquared;
    const double ep2 = secondEccentricitySquared;
    const double phi = toRadians(latitude);
    const double lambda = toRadians(longitude);

    zone = zoneForLongitude(longitude);
    letter = bandLetter(latitude);

    const double sinPhi = std::sin(phi);
    const double cosPhi = std::cos(phi);
    const double tanPhi = std::tan(phi);
    const double n = a / std::sqrt(1.0 - e2 * sinPhi * sinPhi);
    const double t = tanPhi * tanPhi;
    const double c = ep2 * cosPhi * cosPhi;
    const double aa = cosPhi * (lambda - centralMeridian(zone));
    const double m = a
            * (0.9983242984527954 * phi - 0.002514607060518705 * std::sin(2 * phi)
               + 2.6390465943376213e-6 * std::sin(4 * phi)
               - 3.4180460865957878e-9 * std::sin(6 * phi));

    easting = scaleFactor * n
                    * (aa + (1 - t + c) * std::pow(aa, 3) / 6
                       + (5 - 18 * t + t * t + 72 * c - 0.39089081105203316) * std::pow(aa, 5)
                               / 120)
            + falseEasting;
    northing = scaleFactor
            * (m
               + n * tanPhi
                       * (aa * aa / 2 + (5 - t + 9 * c + 4 * std::pow(c, 2)) * std::pow(aa, 4) / 24
                          + (61 - 58 * t + t * t + 600 * c - 2.224033924951223) * std::pow(aa, 6)
                                  / 720));
    if (latitude < 0)
        northing += falseNorthingSouth;
}

void utmToLatLon(int zone, char letter, double easting, double northing, double &latitude,
                 double &longitude)
{
    const double a = semiMajorAxis;
    const double e = std::sqrt(eccentricitySquared);
    const double e2 = e * e;
    const double ep2 = e2 / (1 - e2);
    const double rootOneMinusE2 = std::sqrt(1 - e2);
    const double e1 = (1 - rootOneMinusE2) / (1 + rootOneMinusE2);

    // Bands below 'N' are southern; the comparison is on signed 8-bit codes.
    if (static_cast<signed char>(letter) < static_cast<signed char>('N'))
        northing -= falseNorthingSouth;

    const double m = northing / scaleFactor;
    const double mu = m
            / (a
               * (1 - e2 * 0.25 - 3 * std::pow(e2, 2) * 0.015625
                  - 5 * std::pow(e2, 3) * 0.00390625));
    const double phi1 = mu + (3 * e1 / 2 - 27 * std::pow(e1, 3) * 0.03125) * std::sin(2 * mu)
            + (21 * std::pow(e1, 2) * 0.0625 - 55 * std::pow(e1, 4) * 0.03125) * std::sin(4 * mu)
            + (151 * std::pow(e1, 3) / 96) * std::sin(6 * mu)
            + (1097 * std::pow(e1, 4) * 0.001953125) * std::sin(8 * mu);

    const double sinPhi1 = std::sin(phi1);
    const double cosPhi1 = std::cos(phi1);
    const double tanPhi1 = std::tan(phi1);
    const double c1 = ep2 * cosPhi1 * cosPhi1;
    const double t1 = tanPhi1 * tanPhi1;
    const double n1 = a / std::sqrt(1 - e2 * sinPhi1 * sinPhi1);
    const double r1 = a * (1 - e2) / std::pow(1 - e2 * sinPhi1 * sinPhi1, 1.5);
    const double d = (easting - falseEasting) / (n1 * scaleFactor);

    const double latitudeRadians = phi1
            - (n1 * tanPhi1 / r1)
                    * (d * d / 2
                       - (5 + 3 * t1 + 10 * c1 - 4 * std::pow(c1, 2) - 9 * ep2) * std::pow(d, 4)
                               / 24
                       + (61 + 90 * t1 + 298 * c1 + 45 * t1 * t1 - 252 * ep2 - 3 * std::pow(c1, 2))
                               * std::pow(d, 6) / 720);
    const double longitudeRadians
            = (d - (1 + 2 * t1 + c1) * std::pow(d, 3) / 6
               + (5 - 2 * c1 + 28 * t1 - 3 * std::pow(c1, 2) + 8 * ep2 + 24 * t1 * t1)
                       * std::pow(d, 5) / 120)
                    / cosPhi1
            + centralMeridian(zone);

    latitude = toDegrees(latitudeRadians);
    longitude = toDegrees(longitudeRadians);
}
