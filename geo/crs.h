#ifndef CRS_H
#define CRS_H

#include "geo/utmposition.h"

#include <QMutex>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>
#include <optional>
#include <vector>

struct pj_ctx;
struct PJconsts;

// A position on the WGS 84 ellipsoid, in degrees (north and east positive).
struct LatLon
{
    double latitude = 0.0;
    double longitude = 0.0;
};

// One projected coordinate reference system of PROJ's EPSG database, with
// its area of use in WGS 84 degrees.
struct CrsEntry
{
    int epsg = 0;
    QString name; // "PSAD56 / UTM zone 19S"
    QString areaName;
    double west = -180.0, south = -90.0, east = 180.0, north = 90.0;
    bool deprecated = false; // withdrawn from the EPSG database
    QString replacement; // of a deprecated system, when PROJ knows one: "EPSG:2960 (NAD83…)"

    bool contains(double latitude, double longitude) const;
};

// "EPSG:24879"
QString crsCode(int epsg);

// The version of the PROJ library loaded, e.g. "9.1.1".
QString projVersion();

// Every projected CRS of the EPSG database that is not deprecated, by code.
// Read from PROJ's database once per process.
const QVector<CrsEntry> &projectedCrsList();

// The list with the systems whose area of use holds every one of `places`
// (latitude, longitude in degrees) first, each part in code order.
QVector<CrsEntry> crsListForPlaces(const QVector<QPair<double, double>> &places);

// The projected CRS named by `code` ("EPSG:NNNN", any case); nothing and a
// Spanish reason when PROJ does not know it, it is no projected system, or
// its axes do not point east and north (a westing or southing would be
// written as an easting or northing). A deprecated system is found.
std::optional<CrsEntry> findProjectedCrs(const QString &code, QString &problem);

// The warning a run in the deprecated system `entry` logs first; empty for
// a system in use.
QString deprecationWarning(const CrsEntry &entry);

// WGS 84 latitude/longitude to one projected CRS and back, easting first
// whatever the CRS's own axis order, through the transformation PROJ picks
// for each point (as cs2cs does). Built once per process and system
// (`crsTransform`) and shared by every thread: each thread transforms through
// its own PROJ context and its own copy of the transformation.
class CrsTransform
{
public:
    // Takes `transformation` (normalised: longitude, latitude in; easting,
    // northing out) and the context it was made in.
    CrsTransform(const CrsEntry &entry, std::optional<int> utmZone, QStringList warnings,
                 pj_ctx *context, PJconsts *transformation);
    ~CrsTransform();
    CrsTransform(const CrsTransform &) = delete;
    CrsTransform &operator=(const CrsTransform &) = delete;

    const CrsEntry &entry() const { return crs; }
    // "PSAD56 / UTM 19S": the name with "UTM zone" shortened.
    QString shortName() const;
    // The zone of a WGS 84-style UTM system ("UTM zone 19S"); nothing for
    // other projections.
    std::optional<int> utmZone() const { return zone; }
    // Warnings about the transformations themselves (a missing grid), to
    // be logged once per run.
    const QStringList &warnings() const { return setupWarnings; }
    // What a run in this system logs first: its name and code, then the
    // warnings.
    QStringList choiceLines() const;

    // Degrees to metres. `operation`, when given, receives the log line of
    // the transformation used (and a warning when it is only a ballpark).
    bool forward(double latitude, double longitude, double &easting, double &northing,
                 QString *operation = nullptr) const;
    // Metres to degrees.
    bool inverse(double easting, double northing, double &latitude, double &longitude,
                 QString *operation = nullptr) const;
    // The place on Earth that `easting` and `northing` name in this system:
    // false for numbers off the projection, which PROJ turns into a place
    // that does not transform back to them.
    bool placeOf(double easting, double northing, LatLon &place,
                 QString *operation = nullptr) const;

    // "a.jpg queda fuera del área de uso de EPSG:24879 (…)." for a place
    // outside the system's area of use, whose numbers are less exact or
    // meaningless; empty inside it.
    QString outsideAreaLine(const QString &name, double latitude, double longitude) const;
    // The count of such photos at the end of a run; empty for none.
    QString outsideAreaCountLine(int photos) const;

private:
    PJconsts *threadTransformation() const;
    bool transform(int direction, double x, double y, double &outX, double &outY,
                   QString *operation) const;

    const CrsEntry crs;
    const std::optional<int> zone;
    const QStringList setupWarnings;
    const quint64 id; // names this transformation in each thread's cache
    mutable QMutex cloneMutex; // guards `master` and its context
    pj_ctx *masterContext;
    PJconsts *master; // cloned into each thread's context, never run
};

// Puts `position`'s easting and northing into the system of `crs`, and a
// UTM system's zone in place of its own; the band stays the latitude's.
// False, leaving `position` as it was, when PROJ cannot transform it.
bool projectPosition(const CrsTransform &crs, double latitude, double longitude,
                     UtmPosition &position, QString *operation = nullptr);

// Each transformation a run's positions went through, once and sorted, a
// line each; `used` holds what `forward` and `inverse` gave, empty for none.
QStringList transformationLines(const std::vector<QString> &used);

// The fixed position of a photo without one (`fallbackPosition`, WGS 84 /
// UTM) on the ellipsoid.
LatLon fallbackLatLon();

// The transformation from WGS 84 to the projected CRS `epsg`, built on first
// use (hundreds of milliseconds: PROJ searches its database) and kept for
// the process. Null and a Spanish reason when it cannot be built.
std::shared_ptr<const CrsTransform> crsTransform(int epsg, QString &problem);

#endif // CRS_H
