#ifndef COORDINATESROW_H
#define COORDINATESROW_H

#include "coords/callbacks.h"
#include "geo/crs.h"

#include <QByteArray>
#include <QStringConverter>
#include <QStringList>

// Altitudes a coordinates file or an elevation service may give, in metres:
// below the lowest dry land or above the highest summit is a broken value.
inline constexpr double lowestAltitudeMetres = -500.0;
inline constexpr double highestAltitudeMetres = 9000.0;

bool isPlausibleAltitude(double metres);

// The lines of a coordinates file. LF, CR LF and a lone CR (old spreadsheet
// exports) all end a line; a byte-order mark is dropped; a line end at the
// very end adds no empty line.
QStringList coordinatesFileLines(const QByteArray &bytes, QStringConverter::Encoding encoding);

// One line split at every ';', empty fields kept, nothing trimmed.
QStringList splitCoordinatesRow(const QString &line);
// The fields joined back into one line with ';'.
QString joinCoordinatesRow(const QStringList &fields);

// A locale-independent number ('.' as decimal point); "nan" and "inf" are
// no number, so none reaches a name, a stamp or a request.
bool readCoordinateNumber(const QString &text, double &value);

// The UTM position in a row's columns 2 to 5, each part judged on its own so
// that the reader and the altitude fill can each apply their own rules.
struct RowPosition
{
    int zone = 0;
    char letter = 'N';
    double easting = 0.0;
    double northing = 0.0;
    bool zoneValid = false; // a base-10 integer from 1 to 60
    bool letterEmpty = false; // the letter is then 'N'
    // A UTM band, C to X without I and O; a lower-case letter is kept in
    // `letter` as its upper-case band.
    bool letterValid = false;
    bool eastingValid = false; // a number from 0 to 1 000 000 m
    bool northingValid = false; // a number from 0 to 10 000 000 m

    bool isValid() const { return zoneValid && letterValid && eastingValid && northingValid; }
};

// `fields` must hold at least five fields; the first is the photo name.
RowPosition readRowPosition(const QStringList &fields);

// A chosen system has its own false origin: the easting and northing are read
// again into `position`, as numbers within a UTM zone's ranges for a UTM
// system, any numbers for others. Its zone, when it has one, must be the
// row's, and valid numbers must name a place on Earth in it (see
// `CrsTransform::placeOf`): false, with a line to `log`, when not.
bool fitsChosenSystem(const QStringList &fields, const CrsTransform &crs, RowPosition &position,
                      const QString &name, const LogCallback &log);

#endif // COORDINATESROW_H
