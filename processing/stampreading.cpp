#include "processing/stampreading.h"

#include "geo/globelimits.h"
#include "geo/positionname.h"
#include "geo/utmposition.h"
#include "metadata/exifreader.h"
#include "metadata/exifwriter.h"
#include "metadata/nativepath.h"
#include "metadata/photocaption.h"
#include "stamping/stamptext.h"

#include <QFileInfo>

#include <cmath>

PhotoReading::PhotoReading(const BatchContext &context, const QString &photoPath)
    : context(context)
    , options(context.options)
    , photoPath(photoPath)
    , fileName(QFileInfo(photoPath).fileName())
{ }

static QString number(double value)
{
    return QString::number(value);
}

bool copyOriginalMetadata(PhotoReading &run)
{
    run.lines << QStringLiteral("Intentando leer EXIF desde (nativo original): ")
                    + nativePathText(run.photoPath);
    QString error;
    if (readPhotoMetadata(run.source.bytes(), run.metadata, error) != MetadataResult::Failed) {
        run.earlierMarker = readStampMarker(run.metadata.xmp);
        return true;
    }
    run.metadata.clear();
    run.lines << QStringLiteral("Error leyendo metadata original para %1: %2")
                         .arg(run.fileName, error);
    return false;
}

// Read from the metadata copies before anything changes them.
static void findCaptureTime(PhotoReading &run, bool readFromPhoto)
{
    if (readFromPhoto && readCaptureDateTime(run.metadata.exif, run.stamp.captureTime))
        return;
    run.stamp.captureTime = QDateTime::currentDateTime();
    run.lines << QStringLiteral("Fecha de captura no encontrada en metadata para %1. Usando "
                                "fecha/hora actual.")
                         .arg(run.fileName);
}

// A position outside the chosen system's area of use is still transformed
// (one zone for a whole project), but said.
static void noteOutsideArea(PhotoReading &run)
{
    const QString line = run.context.crs->outsideAreaLine(run.fileName, run.stamp.wgs84->latitude,
                                                          run.stamp.wgs84->longitude);
    run.outsideArea = !line.isEmpty();
    if (run.outsideArea)
        run.lines << line;
}

// With a chosen system the easting and northing are in it and a UTM system's
// zone replaces the photo's own; the band stays the latitude's.
static bool projectIntoChosenSystem(PhotoReading &run)
{
    const CrsTransform &crs = *run.context.crs;
    if (!projectPosition(crs, run.latitude, run.longitude, run.stamp.position,
                         &run.transformation)) {
        run.lines << QStringLiteral("No se pudo transformar la posición de %1 a %2; la foto "
                                    "queda sin cambios.")
                             .arg(run.fileName, crs.entry().name);
        return false;
    }
    run.stamp.wgs84 = LatLon {run.latitude, run.longitude};
    noteOutsideArea(run);
    return true;
}

// A row's easting and northing are in the chosen system: its WGS 84 position
// comes back through PROJ.
static bool rowToWgs84(PhotoReading &run)
{
    const CrsTransform &crs = *run.context.crs;
    const auto &position = run.stamp.position;
    LatLon wgs84;
    if (!crs.placeOf(position.easting, position.northing, wgs84, &run.transformation)) {
        run.lines << QStringLiteral("No se pudo transformar la posición de %1 desde %2 a WGS 84; "
                                    "la foto queda sin cambios.")
                             .arg(run.fileName, crs.entry().name);
        return false;
    }
    run.stamp.wgs84 = wgs84;
    noteOutsideArea(run);
    return true;
}

// Direction and altitude appear only when the photo has them.
static QString gpsLine(const GpsReading &gps)
{
    QString line
            = QStringLiteral("Lat: %1, Lon: %2").arg(number(gps.latitude), number(gps.longitude));
    if (gps.direction)
        line += QStringLiteral(", Orientación: ") + number(*gps.direction);
    if (gps.altitude.metres)
        line += QStringLiteral(", Altitud: ") + number(*gps.altitude.metres);
    return line;
}

// A photo without GPS goes to the fixed position, or is left alone, as the
// options say.
static bool positionFromExif(PhotoReading &run)
{
    const auto gps = readGpsFromExif(run.metadata.exif);
    if (!gps) {
        if (run.options.leavePhotosWithoutPosition) {
            run.lines << QStringLiteral("Datos GPS no encontrados en EXIF para %1: la foto queda "
                                        "sin procesar.")
                                 .arg(run.fileName);
            return false;
        }
        run.lines << QStringLiteral(
                             "Datos GPS no encontrados en EXIF para %1. Usando coords fijas.")
                             .arg(run.fileName);
        run.positionOutcome = PositionOutcome::Fixed;
        if (!run.context.crs)
            return true;
        // The fixed place is WGS 84 / UTM: a chosen system names it in its own numbers.
        const LatLon fixed = fallbackLatLon();
        run.latitude = fixed.latitude;
        run.longitude = fixed.longitude;
        return projectIntoChosenSystem(run);
    }
    run.lines << gpsLine(*gps);
    if (gps->altitude.discarded)
        run.lines << discardedAltitudeLine(run.fileName, *gps->altitude.discarded);
    run.stamp.exifPosition = LatLon {gps->latitude, gps->longitude};
    run.hasGps = true;
    run.latitude = gps->latitude;
    run.longitude = gps->longitude;
    run.stamp.position
            = utmPositionOf(gps->latitude, gps->longitude, gps->direction, gps->altitude.metres);
    return !run.context.crs || projectIntoChosenSystem(run);
}

static bool positionFromRow(PhotoReading &run)
{
    const auto row = run.context.coordinates.constFind(run.fileName);
    if (row == run.context.coordinates.cend()) {
        run.lines << QStringLiteral("Coordenadas UTM no encontradas en archivo TXT para ")
                        + run.fileName;
        return false;
    }
    const UtmPosition &position = row->position;
    run.stamp.position = position;
    if (!row->description.isEmpty())
        run.stamp.description = row->description;
    auto line = QStringLiteral("Usando datos TXT: Zona %1%2, Easting: %3, Northing: %4")
                        .arg(QString::number(position.zone), QString(QLatin1Char(position.letter)),
                             number(position.easting), number(position.northing));
    if (position.orientation)
        line += QStringLiteral(", Orientación: ") + number(*position.orientation);
    if (position.altitude)
        line += QStringLiteral(", Altitud: ") + number(*position.altitude);
    run.lines << line;
    if (row->hasDateTime) {
        run.stamp.captureTime = row->dateTime;
        run.lines << QStringLiteral("Usando fecha/hora del archivo TXT: ")
                        + row->dateTime.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    }
    return !run.context.crs || rowToWgs84(run);
}

// Also geotags the EXIF copy, so the saved photo carries the position.
static bool positionFromTrack(PhotoReading &run)
{
    const TrackFix fix
            = locateOnTrack(run.context.track, run.metadata.exif, run.fileName, run.lines);
    if (fix.utc.isValid())
        run.captureUtcMs = fix.utc.toMSecsSinceEpoch();
    if (!fix.found)
        return false;
    run.hasGps = true;
    run.latitude = fix.latitude;
    run.longitude = fix.longitude;
    run.trackInstant = fix.zoned;
    run.stamp.position = utmPositionOf(fix.latitude, fix.longitude, fix.direction, fix.altitude);
    writeTrackPositionToExif(run.metadata.exif, fix.latitude, fix.longitude, fix.altitude, fix.utc);
    return !run.context.crs || projectIntoChosenSystem(run);
}

static bool findPosition(PhotoReading &run)
{
    const bool found = run.options.useGpxTrack ? positionFromTrack(run)
            : run.options.useExif              ? positionFromExif(run)
                                               : positionFromRow(run);
    if (!found)
        run.positionOutcome = PositionOutcome::Missing;
    return found;
}

// A position off the globe never reaches a name, a stamp or EXIF.
static bool nameAfterPosition(PhotoReading &run)
{
    const auto &position = run.stamp.position;
    const CrsTransform *crs = run.context.crs.get();
    // A chosen system has its own false origin: only its zone and band are
    // checked, the position itself came through PROJ.
    const bool possible = crs
            ? isUtmZoneAndBand(position.zone, position.letter) && std::isfinite(position.easting)
                    && std::isfinite(position.northing)
            : isUtmPosition(position.zone, position.letter, position.easting, position.northing);
    if (!possible) {
        run.lines << QStringLiteral("Posición UTM imposible para %1; la foto queda sin cambios.")
                             .arg(run.fileName);
        return false;
    }
    if (!crs) {
        run.stamp.utmName = utmName(position);
        return true;
    }
    run.stamp.utmName = crsName(position, *crs);
    run.stamp.crsText = crsCoordinatesText(position, *crs);
    return true;
}

bool readStamp(PhotoReading &run, bool metadataRead)
{
    run.stamp.description = readPhotoCaption(run.metadata);
    findCaptureTime(run, metadataRead);
    return findPosition(run) && nameAfterPosition(run);
}

StampReading readStampValues(const BatchContext &context, const QString &photoPath,
                             const PhotoFile &photo)
{
    PhotoReading run(context, photoPath);
    run.source = photo;
    StampReading reading;
    reading.positioned = readStamp(run, copyOriginalMetadata(run));
    reading.alreadyStamped = run.earlierMarker.has_value();
    const bool rowsMode = !run.options.useGpxTrack && !run.options.useExif;
    reading.withoutGps = !run.options.useGpxTrack && run.options.useExif && !run.hasGps;
    reading.withoutRow = rowsMode && !context.coordinates.contains(run.fileName);
    reading.stamp = run.stamp;
    return reading;
}

StampReading readStampValues(const BatchContext &context, const QString &photoPath)
{
    return readStampValues(context, photoPath, readPhotoFile(photoPath));
}
