#include "coords/altituderun.h"

#include "coords/coordinatesrow.h"
#include "coords/elevationreply.h"
#include "coords/logquote.h"
#include "geo/globelimits.h"
#include "geo/utm.h"

static QString degreesText(double degrees)
{
    return QString::number(degrees, 'f', 8);
}

// The row's place on the ellipsoid: a chosen system's easting and northing go
// through PROJ, as the batch reads them.
static bool rowLatLon(const AltitudeJob &job, const RowPosition &position, double &latitude,
                      double &longitude, QString &transformation)
{
    if (!job.crs) {
        utmToLatLon(position.zone, position.letter, position.easting, position.northing, latitude,
                    longitude);
        return true;
    }
    return job.crs->inverse(position.easting, position.northing, latitude, longitude,
                            &transformation)
            && isOnGlobe(latitude, longitude);
}

// Reads the row and, when it is to be asked about, its point; every line it
// logs waits in the row.
static PendingRow prepareRow(const AltitudeJob &job, int number, const QString &line)
{
    PendingRow row;
    row.number = number;
    const auto log = [&row](const QString &text) {
        row.logLines.append(text);
    };
    const QString numberText = QString::number(number);
    row.fields = splitCoordinatesRow(line);
    log(QStringLiteral("DEBUG: Procesando línea %1: %2").arg(numberText, quotedForLog(line)));
    log(QStringLiteral("DEBUG: Columnas en línea %1: size=%2, %3")
                .arg(numberText, QString::number(row.fields.size()),
                     quotedForLog(row.fields.join(QLatin1Char(',')))));

    while (row.fields.size() <= job.altitudeIndex)
        row.fields.append(QString());
    row.name = row.fields.at(0);
    const bool hasAltitude = !row.fields.at(job.altitudeIndex).trimmed().isEmpty();
    log(QStringLiteral("DEBUG: Línea %1 tieneAltitud=%2")
                .arg(numberText, hasAltitude ? QStringLiteral("true") : QStringLiteral("false")));
    const auto skip = [&](const QString &reason) {
        log(QStringLiteral("DEBUG: Omisión línea %1: ").arg(numberText) + reason);
        return row;
    };
    if (hasAltitude && !job.overwrite)
        return skip(QStringLiteral("ya tiene altitud y no se debe sobrescribir."));
    if (row.fields.size() < 5)
        return skip(QStringLiteral("menos de 5 columnas"));
    // Unlike the reader, the fill assumes no 'N' for a missing letter.
    RowPosition position = readRowPosition(row.fields);
    if (job.crs && !fitsChosenSystem(row.fields, *job.crs, position, row.name, log))
        return row;
    if (position.letterEmpty)
        return skip(QStringLiteral("letra de zona ausente"));
    if (!position.isValid())
        return skip(QStringLiteral("UTM inválido"));

    log(QStringLiteral("DEBUG: Parsed UTM - zone=%1, zoneLetter=%2, easting=%3, northing=%4")
                .arg(QString::number(position.zone), quotedForLog(row.fields.at(2).trimmed()),
                     quotedForLog(row.fields.at(3).trimmed()),
                     quotedForLog(row.fields.at(4).trimmed())));
    double latitude = 0.0;
    double longitude = 0.0;
    if (!rowLatLon(job, position, latitude, longitude, row.transformation))
        return skip(QStringLiteral("no se pudo transformar a WGS 84"));
    log(QStringLiteral("DEBUG UTM->LatLon: zone=%1%2, easting=%3, northing=%4 -> lat=%5, lon=%6")
                .arg(QString::number(position.zone), QString(QLatin1Char(position.letter)),
                     QString::number(position.easting), QString::number(position.northing),
                     degreesText(latitude), degreesText(longitude)));
    row.point = degreesText(latitude) + QLatin1Char(',') + degreesText(longitude);
    log(QStringLiteral("DEBUG locationsParam: ") + row.point);
    log(QStringLiteral("Consultando altitud para %1 (Coords: %2)")
                .arg(quotedForLog(row.name), row.point));
    return row;
}

AltitudeRun::AltitudeRun(const AltitudeJob &job, QStringList &lines, const LogCallback &log,
                         const ProgressCallback &progress)
    : job(job)
    , lines(lines)
    , log(log)
    , progress(progress)
    , client(job.source, log)
    , total(static_cast<int>(lines.size()) - 1)
{ }

bool AltitudeRun::fillAll()
{
    progress(0, total);
    for (int number = 1; number <= total && !job.source.stopped(); ++number) {
        PendingRow row = prepareRow(job, number, lines.at(number));
        transformations.push_back(row.transformation);
        if (!row.point.isEmpty()) {
            ++asked;
            if (job.source.isGoogle() && job.source.apiKey.isEmpty()) {
                group.append(row);
                logGroupLines();
                log(QStringLiteral("Error: Se requiere una clave de API para Google "
                                   "Elevation."));
                return false;
            }
            if (!client.fits(points + QStringList {row.point}))
                askGroup();
            points.append(row.point);
        }
        group.append(row);
    }
    askGroup();
    if (job.source.stopped())
        log(QStringLiteral("Relleno de altitud cancelado: se procesaron %1 de %2 registros.")
                    .arg(done)
                    .arg(total));
    return true;
}

void AltitudeRun::logGroupLines()
{
    for (const PendingRow &row : std::as_const(group)) {
        for (const QString &line : row.logLines)
            log(line);
    }
}

void AltitudeRun::askGroup()
{
    std::optional<QJsonArray> results;
    if (!points.isEmpty() && !job.source.stopped())
        results = client.ask(points);
    int resultIndex = 0;
    for (PendingRow &row : group) {
        if (results && !row.point.isEmpty())
            fillRow(row, results->at(resultIndex++));
    }
    logGroupLines();
    // Rows of a request the user stopped are not done.
    if (!job.source.stopped()) {
        done += static_cast<int>(group.size());
        progress(done, total);
    }
    group.clear();
    points.clear();
}

void AltitudeRun::fillRow(PendingRow &row, const QJsonValue &result)
{
    const std::optional<double> elevation = elevationOf(result, row.name, row.logLines);
    if (!elevation)
        return;
    const QString value = QString::number(*elevation, 'f', 2);
    row.fields[job.altitudeIndex] = value;
    QString &line = lines[row.number];
    line = joinCoordinatesRow(row.fields);
    row.logLines.append(QStringLiteral("Altitud obtenida: ") + value + QStringLiteral(" m"));
    row.logLines.append(QStringLiteral("DEBUG writing altitude: line ")
                        + QString::number(row.number + 1) + QStringLiteral(" -> ")
                        + quotedForLog(line));
    ++updated;
}
