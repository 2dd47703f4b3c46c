#include "coords/samplefile.h"

#include "coords/coordinatesfile.h"
#include "geo/numbers.h"
#include "geo/utm.h"
#include "metadata/exifreader.h"
#include "metadata/metadatacopy.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTextStream>

// One row's values before formatting.
struct SampleRow
{
    int zone = 19;
    char letter = 'J';
    double easting = 500000.0; // metres
    double northing = 6000000.0; // metres
    bool fromGps = false;
    double orientation = 0.0; // degrees
    double altitude = 0.0; // metres
    QDateTime dateTime = QDateTime::currentDateTime();
};

static QStringList photoPaths(const QString &folder, bool includeSubdirectories)
{
    const QStringList patterns {QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"),
                                QStringLiteral("*.tiff"), QStringLiteral("*.png")};
    QStringList paths;
    if (!includeSubdirectories) {
        const QFileInfoList entries
                = QDir(folder).entryInfoList(patterns, QDir::Files, QDir::Unsorted);
        for (const QFileInfo &entry : entries)
            paths.append(entry.absoluteFilePath());
        return paths;
    }
    QDirIterator walk(folder, patterns, QDir::Files | QDir::NoSymLinks,
                      QDirIterator::Subdirectories);
    while (walk.hasNext())
        paths.append(QFileInfo(walk.next()).absoluteFilePath());
    return paths;
}

// The photo's place on the track; its lines are logged only when it has none.
static bool positionFromTrack(const QString &path, const TrackPositioning &track,
                              const LogCallback &log, double &latitude, double &longitude,
                              SampleRow &row)
{
    PhotoMetadata metadata;
    QString error;
    copyMetadata(path, metadata, error);
    QStringList lines;
    const TrackFix fix = locateOnTrack(track, metadata.exif, QFileInfo(path).fileName(), lines);
    if (!fix.found) {
        for (const QString &line : lines)
            log(line);
        return false;
    }
    latitude = fix.latitude;
    longitude = fix.longitude;
    row.orientation = fix.hasDirection ? fix.direction : 0.0;
    row.altitude = fix.hasAltitude ? fix.altitude : 0.0;
    return true;
}

static SampleRow readRow(const QString &path, bool useExif, const LogCallback &log,
                         const TrackPositioning *track)
{
    SampleRow row;
    if (!useExif)
        return row;
    double latitude = 0.0;
    double longitude = 0.0;
    row.fromGps = track ? positionFromTrack(path, *track, log, latitude, longitude, row)
                        : readGpsFromExif(path, latitude, longitude, row.orientation, row.altitude);
    if (row.fromGps)
        latLonToUtm(latitude, longitude, row.zone, row.letter, row.easting, row.northing);
    else if (!track)
        log(QStringLiteral("Datos GPS no encontrados en EXIF para ") + QFileInfo(path).fileName()
            + QStringLiteral(". Usando coordenadas y orientación fijas"));
    readCaptureDateTime(path, row.dateTime);
    return row;
}

// Fields are joined, not substituted into a pattern, so a '%' in a file
// name is written as it is.
static QString formatRow(const QString &name, const SampleRow &row)
{
    const QStringList fields {
            name,
            QString::number(row.zone),
            QString(QLatin1Char(row.letter)),
            QString::number(truncToInteger(row.easting)),
            QString::number(truncToInteger(row.northing)),
            row.fromGps ? QString::number(truncToInteger(row.orientation)) : QString(),
            row.dateTime.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")),
            row.fromGps ? QString::number(row.altitude, 'f', 1) : QString(),
    };
    return fields.join(QLatin1Char(';'));
}

void writeSampleCoordinatesFile(const QString &folder, const QString &targetPath,
                                bool includeSubdirectories, bool useExif, const LogCallback &log,
                                const TrackPositioning *track)
{
    QFile file(targetPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        log(QStringLiteral("Error al crear el archivo de ejemplo: no se pudo abrir el archivo."));
        return;
    }
    QTextStream out(&file);
    out.setEncoding(QStringConverter::Utf8);
    out << coordinatesFileHeader << '\n';
    for (const QString &path : photoPaths(folder, includeSubdirectories))
        out << formatRow(QFileInfo(path).fileName(), readRow(path, useExif, log, track)) << '\n';
    out.flush();
    file.close();
    // A full disk must not be reported as a finished file.
    if (out.status() != QTextStream::Ok || file.error() != QFileDevice::NoError) {
        log(QStringLiteral(
                "Error al crear el archivo de ejemplo: no se pudo escribir el archivo."));
        return;
    }
    log(QStringLiteral("Archivo de ejemplo creado en: ") + targetPath);
}
