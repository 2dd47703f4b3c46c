#include "coords/samplefile.h"

#include "coords/coordinatesfile.h"
#include "files/atomicfile.h"
#include "files/photocollection.h"
#include "geo/numbers.h"
#include "geo/utmposition.h"
#include "metadata/exifreader.h"
#include "metadata/metadatacopy.h"
#include "metadata/photocaption.h"

#include <QDateTime>
#include <QFileInfo>
#include <QPair>
#include <QStringList>
#include <QVector>

// One row's values before formatting; orientation and altitude only as the
// photo or the track gave them.
struct SampleRow
{
    UtmPosition position = fallbackPosition;
    QDateTime dateTime = QDateTime::currentDateTime();
    QString description; // the photo's caption on one line; empty when none
    bool outsideArea = false; // of the chosen system
};

// Lines end as the platform's text files do.
#ifdef Q_OS_WIN
static constexpr char lineEnd[] = "\r\n";
#else
static constexpr char lineEnd[] = "\n";
#endif

// The fixed position is WGS 84 / UTM: in a chosen system, its numbers there.
static UtmPosition fixedPosition(const CrsTransform *crs)
{
    UtmPosition position = fallbackPosition;
    const LatLon fixed = fallbackLatLon();
    if (crs)
        projectPosition(*crs, fixed.latitude, fixed.longitude, position);
    return position;
}

// In a chosen system the easting and northing are in it and a UTM system's
// zone replaces the photo's own.
static void projectRow(const QString &path, double latitude, double longitude,
                       const CrsTransform *crs, const LogCallback &log, SampleRow &row)
{
    if (!crs)
        return;
    if (projectPosition(*crs, latitude, longitude, row.position)) {
        const QString outside
                = crs->outsideAreaLine(QFileInfo(path).fileName(), latitude, longitude);
        row.outsideArea = !outside.isEmpty();
        if (row.outsideArea)
            log(outside);
        return;
    }
    log(QStringLiteral("No se pudo transformar la posición de %1 a %2. Usando coordenadas fijas")
                .arg(QFileInfo(path).fileName(), crs->entry().name));
    row.position = fixedPosition(crs);
}

// The photo's place on the track; its lines are logged only when it has none.
static void positionFromTrack(const QString &path, const Exiv2::ExifData &exif,
                              const TrackPositioning &track, const CrsTransform *crs,
                              const LogCallback &log, SampleRow &row)
{
    QStringList lines;
    const TrackFix fix = locateOnTrack(track, exif, QFileInfo(path).fileName(), lines);
    if (!fix.found) {
        for (const QString &line : lines)
            log(line);
        return;
    }
    row.position = utmPositionOf(fix.latitude, fix.longitude, fix.direction, fix.altitude);
    projectRow(path, fix.latitude, fix.longitude, crs, log, row);
}

static void positionFromGps(const QString &path, const Exiv2::ExifData &exif,
                            const CrsTransform *crs, const LogCallback &log, SampleRow &row)
{
    const QString fileName = QFileInfo(path).fileName();
    const auto gps = readGpsFromExif(exif);
    if (!gps) {
        log(QStringLiteral("Datos GPS no encontrados en EXIF para ") + fileName
            + QStringLiteral(". Usando coordenadas fijas"));
        return;
    }
    row.position
            = utmPositionOf(gps->latitude, gps->longitude, gps->direction, gps->altitude.metres);
    if (gps->altitude.discarded)
        log(discardedAltitudeLine(fileName, *gps->altitude.discarded));
    projectRow(path, gps->latitude, gps->longitude, crs, log, row);
}

static SampleRow readRow(const QString &path, bool useExif, const LogCallback &log,
                         const TrackPositioning *track, const CrsTransform *crs)
{
    SampleRow row;
    row.position = fixedPosition(crs);
    if (!useExif)
        return row;
    // One read of the photo for its position and its time.
    PhotoMetadata metadata;
    QString error;
    copyMetadata(path, metadata, error);
    if (track)
        positionFromTrack(path, metadata.exif, *track, crs, log, row);
    else
        positionFromGps(path, metadata.exif, crs, log, row);
    readCaptureDateTime(metadata.exif, row.dateTime);
    // A row is one line: line breaks typed in a caption become spaces.
    row.description = readPhotoCaption(metadata).simplified();
    return row;
}

// Fields are joined, not substituted into a pattern, so a '%' in a file
// name is written as it is.
static QString formatRow(const QString &name, const SampleRow &row, bool withDescriptions)
{
    const UtmPosition &position = row.position;
    const QStringList fields {
            name,
            QString::number(position.zone),
            QString(QLatin1Char(position.letter)),
            QString::number(truncToInteger(position.easting)),
            QString::number(truncToInteger(position.northing)),
            position.orientation ? QString::number(truncToInteger(*position.orientation))
                                 : QString(),
            row.dateTime.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")),
            position.altitude ? QString::number(*position.altitude, 'f', 1) : QString(),
    };
    QString line = fields.join(QLatin1Char(';'));
    if (withDescriptions)
        line += QLatin1Char(';') + row.description;
    return line;
}

void writeSampleCoordinatesFile(const QString &folder, const QString &targetPath,
                                bool includeSubdirectories, bool useExif, const LogCallback &log,
                                const TrackPositioning *track, const CrsTransform *crs)
{
    if (crs)
        for (const QString &line : crs->choiceLines())
            log(line);
    int outsideArea = 0;
    // The description column only when some photo has one, so that a file
    // without descriptions stays as it always was.
    const auto contents = [&] {
        QVector<QPair<QString, SampleRow>> rows;
        bool withDescriptions = false;
        for (const QString &path : collectPhotos(folder, includeSubdirectories)) {
            rows.append({QFileInfo(path).fileName(), readRow(path, useExif, log, track, crs)});
            withDescriptions |= !rows.last().second.description.isEmpty();
            outsideArea += rows.last().second.outsideArea;
        }
        QByteArray text = coordinatesFileHeader;
        if (withDescriptions)
            text += QByteArray(";") + descriptionColumnName;
        text += lineEnd;
        for (const auto &[name, row] : std::as_const(rows))
            text += formatRow(name, row, withDescriptions).toUtf8() + lineEnd;
        return text;
    };
    // A full disk must not be reported as a finished file.
    QString error;
    const FileReplacement written = replaceFile(targetPath, contents, error);
    if (crs && outsideArea > 0)
        log(crs->outsideAreaCountLine(outsideArea));
    switch (written) {
    case FileReplacement::NotOpened:
        log(QStringLiteral("Error al crear el archivo de ejemplo: no se pudo abrir el archivo."));
        return;
    case FileReplacement::NotWritten:
        log(QStringLiteral(
                "Error al crear el archivo de ejemplo: no se pudo escribir el archivo."));
        return;
    case FileReplacement::Done:
        log(QStringLiteral("Archivo de ejemplo creado en: ") + targetPath);
        return;
    }
}
