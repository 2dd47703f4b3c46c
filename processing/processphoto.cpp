#include "processing/processphoto.h"

#include "exports/locationexport.h"
#include "files/atomicfile.h"
#include "files/freename.h"
#include "files/photocollection.h"
#include "geo/globelimits.h"
#include "geo/positionname.h"
#include "geo/utm.h"
#include "geo/utmposition.h"
#include "image/photoloader.h"
#include "image/thumbnail.h"
#include "metadata/exifreader.h"
#include "metadata/exifwriter.h"
#include "metadata/metadatacopy.h"
#include "metadata/nativepath.h"
#include "metadata/photocaption.h"
#include "metadata/photodescription.h"
#include "metadata/stampmarker.h"
#include "processing/failurereason.h"
#include "processing/photoplacement.h"
#include "stamping/losslessstamp.h"
#include "stamping/overlay.h"
#include "stamping/photostamp.h"
#include "stamping/stamptext.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>

#include <cmath>
#include <exception>
#include <optional>
#include <string>
#include <utility>

// Gives up renaming when other photos keep taking the chosen names.
static constexpr int maxRenameAttempts = 1000;

// One photo on its way through the pipeline.
struct PhotoRun
{
    PhotoRun(const BatchContext &context, const QString &photoPath)
        : context(context)
        , options(context.options)
        , photoPath(photoPath)
        , fileName(QFileInfo(photoPath).fileName())
        , workFile(QFileInfo(photoPath).absoluteFilePath())
        , fromHeif(isHeifName(photoPath))
    {
        stamp.photoPath = photoPath;
    }

    const BatchContext &context;
    const ProcessingOptions &options;
    const QString photoPath; // as collected
    const QString fileName;
    QStringList lines;
    QString workFile;
    // A HEIF photo is only read: its result is a new JPEG in `jpegFolder`.
    const bool fromHeif;
    QString jpegFolder;
    QString targetPath;
    PhotoMetadata metadata;
    PhotoStamp stamp;
    bool hasGps = false; // latitude and longitude read from EXIF or the track
    double latitude = 0.0;
    double longitude = 0.0;
    PositionOutcome positionOutcome = PositionOutcome::Found;
    QDateTime trackInstant; // track mode: the capture instant used, at its zone's offset
    std::optional<qint64> captureUtcMs; // track mode: the same instant, when there was one
    std::optional<LocationRecord> location;
    std::optional<StampMarker> earlierMarker; // left by an earlier run
    QString backupPath; // empty while no backup was made
    QString transformation; // with a chosen system: the one this photo went through
    bool saved = false; // the photo reached its target whole
    bool skippedAsStamped = false;
};

static QString number(double value)
{
    return QString::number(value);
}

static QString nativePathText(const QString &path)
{
    return QString::fromStdString(qPathToNativeStdString(path));
}

// The JPEG of a HEIF photo goes beside it, or into the output folder where
// a copy of it would go.
static bool placeHeif(PhotoRun &run)
{
    if (!run.options.useOutputFolder) {
        run.jpegFolder = QFileInfo(run.workFile).absolutePath();
        return true;
    }
    const auto destination
            = outputPathFor(run.context.folder, run.options.outputFolder, run.photoPath, run.lines);
    run.jpegFolder = QFileInfo(destination).absolutePath();
    return !destination.isEmpty();
}

static bool place(PhotoRun &run)
{
    if (run.fromHeif)
        return placeHeif(run);
    if (run.options.useOutputFolder)
        return placeInOutputFolder(run.context.folder, run.options.outputFolder, run.photoPath,
                                   run.workFile, run.lines);
    if (run.options.makeBackup)
        return backUpPhoto(run.context.folder, run.photoPath, run.backupPath, run.lines);
    return true;
}

// Returns false when Exiv2 failed, so the capture time is not read either.
static bool copyOriginalMetadata(PhotoRun &run)
{
    run.lines << QStringLiteral("Intentando leer EXIF desde (nativo original): ")
                    + nativePathText(run.photoPath);
    QString error;
    if (copyMetadata(run.photoPath, run.metadata, error) != MetadataResult::Failed) {
        run.earlierMarker = readStampMarker(run.metadata.xmp);
        return true;
    }
    run.metadata.clear();
    run.lines << QStringLiteral("Error leyendo metadata original para %1: %2")
                         .arg(run.fileName, error);
    return false;
}

static void findCaptureTime(PhotoRun &run, bool readFromPhoto)
{
    if (readFromPhoto && readCaptureDateTime(run.photoPath, run.stamp.captureTime))
        return;
    run.stamp.captureTime = QDateTime::currentDateTime();
    run.lines << QStringLiteral("Fecha de captura no encontrada en metadata para %1. Usando "
                                "fecha/hora actual.")
                         .arg(run.fileName);
}

// A position outside the chosen system's area of use is still transformed
// (one zone for a whole project), but said.
static void noteOutsideArea(PhotoRun &run)
{
    const CrsEntry &crs = run.context.crs->entry();
    if (!crs.contains(run.stamp.wgs84->latitude, run.stamp.wgs84->longitude))
        run.lines << QStringLiteral("%1 queda fuera del área de uso de %2 (%3).")
                             .arg(run.fileName, crsCode(crs.epsg), crs.areaName);
}

// With a chosen system the easting and northing are in it and a UTM system's
// zone replaces the photo's own; the band stays the latitude's.
static bool projectIntoChosenSystem(PhotoRun &run)
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
static bool rowToWgs84(PhotoRun &run)
{
    const CrsTransform &crs = *run.context.crs;
    const auto &position = run.stamp.position;
    LatLon wgs84;
    if (!crs.inverse(position.easting, position.northing, wgs84.latitude, wgs84.longitude,
                     &run.transformation)
        || !isOnGlobe(wgs84.latitude, wgs84.longitude)) {
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
static bool positionFromExif(PhotoRun &run)
{
    const auto gps = readGpsFromExif(run.photoPath);
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
    run.hasGps = true;
    run.latitude = gps->latitude;
    run.longitude = gps->longitude;
    run.stamp.position
            = utmPositionOf(gps->latitude, gps->longitude, gps->direction, gps->altitude.metres);
    return !run.context.crs || projectIntoChosenSystem(run);
}

static bool positionFromRow(PhotoRun &run)
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
static bool positionFromTrack(PhotoRun &run)
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

static bool findPosition(PhotoRun &run)
{
    const bool found = run.options.useGpxTrack ? positionFromTrack(run)
            : run.options.useExif              ? positionFromExif(run)
                                               : positionFromRow(run);
    if (!found)
        run.positionOutcome = PositionOutcome::Missing;
    return found;
}

// A position off the globe never reaches a name, a stamp or EXIF.
static bool nameAfterPosition(PhotoRun &run)
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

// Everything the stamps take from the photo, read once; the preview reads it
// through the same steps.
static bool readStamp(PhotoRun &run, bool metadataRead)
{
    run.stamp.description = photoCaption(run.metadata.exif, run.metadata.iptc, run.metadata.xmp);
    findCaptureTime(run, metadataRead);
    return findPosition(run) && nameAfterPosition(run);
}

// A second stamp would cover the first, and its backup would hold a stamped
// copy instead of the original.
static bool leftAsStamped(PhotoRun &run)
{
    if (!run.earlierMarker || run.options.restampStamped)
        return false;
    run.lines << QStringLiteral("Ya estampada el %1; se omite. Use Herramientas → Restaurar "
                                "originales para procesarla de nuevo.")
                         .arg(run.earlierMarker->stampedAt.toLocalTime().toString(
                                 QStringLiteral("dd/MM/yyyy HH:mm")));
    run.skippedAsStamped = true;
    return true;
}

// A photo stamped again in place without a backup keeps pointing at the
// backup of its original, so a restore still brings back the photo as taken.
// A copy in an output folder has no backup beside it.
static void markStamped(PhotoRun &run)
{
    StampMarker marker;
    if (run.backupPath.isEmpty() && run.earlierMarker && !run.options.useOutputFolder)
        marker = *run.earlierMarker;
    else
        marker.originalName = run.fileName;
    marker.stampedAt = run.context.startedAt;
    if (!run.backupPath.isEmpty())
        marker.backup = QFileInfo(run.photoPath)
                                .absoluteDir()
                                .relativeFilePath(QFileInfo(run.backupPath).absoluteFilePath());
    writeStampMarker(run.metadata.xmp, marker);
}

static QString positionBaseName(const PhotoRun &run)
{
    return run.options.usePrefix ? run.options.prefix + run.stamp.utmName : run.stamp.utmName;
}

// Photos of one batch run in parallel, so a name found free may be taken
// before the rename: then the next free name is tried.
static bool renameTarget(PhotoRun &run)
{
    const auto baseName = positionBaseName(run);
    const QFileInfo work(run.workFile);
    QString reason = QStringLiteral("otras fotos ocupan todos los nombres posibles.");
    for (int attempt = 0; attempt < maxRenameAttempts; ++attempt) {
        const auto candidate = freeJpegName(work.absoluteDir(), baseName, work.fileName());
        if (candidate == work.absoluteFilePath()) {
            run.lines << QStringLiteral("Ya tiene su nombre: ") + work.fileName();
            run.targetPath = candidate;
            return true;
        }
        QString error;
        if (moveFileToNewName(run.workFile, candidate, error)) {
            run.lines << QStringLiteral("Renombrado: %1 a %2")
                                 .arg(work.fileName(), QFileInfo(candidate).fileName());
            run.targetPath = candidate;
            return true;
        }
        if (!isNameTaken(candidate)) {
            reason = newFileFailureReason(candidate, error);
            break;
        }
    }
    run.lines << QStringLiteral("Error renombrando ") + work.fileName() << reasonLine(reason);
    return false;
}

// Named after the position when renaming, else after the HEIF photo.
static QString heifJpegBaseName(const PhotoRun &run)
{
    return run.options.renamePhotos ? positionBaseName(run)
                                    : QFileInfo(run.fileName).completeBaseName();
}

static void replaceMetadataWithRow(PhotoRun &run)
{
    run.lines << QStringLiteral("Generando nuevos metadatos EXIF desde datos TXT para ")
                    + QFileInfo(run.targetPath).fileName();
    run.metadata.clear();
    const auto &stamp = run.stamp;
    if (stamp.position.altitude && !isPlausibleAltitude(*stamp.position.altitude))
        run.lines << QStringLiteral("Altitud fuera de rango (%1 m): no se escribe en el EXIF.")
                             .arg(number(*stamp.position.altitude));
    writeRecordToExif(run.metadata.exif, stamp.position, stamp.captureTime, stamp.wgs84);
    // The row's description, or the photo's own when the row has none, so
    // that new metadata never drops a caption.
    setPhotoDescription(run.metadata.exif, run.metadata.iptc, run.metadata.xmp, stamp.description);
}

// The pixels now stand upright, so viewers must not turn them again, and
// the EXIF thumbnail, still turned, would no longer match them.
static void markUpright(PhotoMetadata &metadata)
{
    Exiv2::ExifThumb(metadata.exif).erase();
    const Exiv2::ExifKey exifKey("Exif.Image.Orientation");
    if (metadata.exif.findKey(exifKey) != metadata.exif.end())
        metadata.exif["Exif.Image.Orientation"] = uint16_t(1);
    const Exiv2::XmpKey xmpKey("Xmp.tiff.Orientation");
    if (metadata.xmp.findKey(xmpKey) != metadata.xmp.end())
        metadata.xmp["Xmp.tiff.Orientation"] = std::string("1");
}

static bool encodeImage(const QImage &image, const QString &targetPath, int quality,
                        QByteArray &encoded, QString &error)
{
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    const auto format = QFileInfo(targetPath).suffix().toLower().toLatin1();
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    if (format == "png")
        writer.setCompression(0);
    if (writer.write(image))
        return true;
    error = writer.errorString();
    return false;
}

// Puts the metadata copies into the encoded photo and returns the lines that
// report it; they wait for the save, since they belong to a saved photo only.
// After an Exiv2 error the photo is saved without metadata.
static QStringList embedMetadata(const PhotoRun &run, QByteArray &encoded)
{
    const auto targetName = QFileInfo(run.targetPath).fileName();
    QStringList lines = {QStringLiteral("Intentando escribir EXIF a (nativo): ")
                         + nativePathText(run.targetPath)};
    QByteArray withMetadata = encoded;
    QString error;
    const auto stored = storeMetadata(withMetadata, run.metadata, error);
    if (stored == MetadataResult::Failed) {
        lines << QStringLiteral("Error escribiendo metadatos en %1: %2").arg(targetName, error);
        return lines;
    }
    encoded = std::move(withMetadata);
    if (stored == MetadataResult::Done)
        lines << QStringLiteral("Metadatos escritos para ") + targetName;
    if (run.metadata.xmpUnreadable)
        lines << QStringLiteral("Los datos XMP de %1 no son válidos y no se conservaron.")
                         .arg(targetName);
    return lines;
}

static bool failSave(PhotoRun &run, const QString &error)
{
    run.lines << QStringLiteral("Error guardando la imagen: ") + error;
    return false;
}

// The stamped photo encoded whole for the target's format at the set
// quality; the image is released at once.
static bool encodeWhole(PhotoRun &run, QImage &image, bool turned, QByteArray &encoded)
{
    if (turned)
        markUpright(run.metadata);
    QString error;
    const bool encodedOk
            = encodeImage(image, run.targetPath, run.options.jpegQuality, encoded, error);
    image = QImage();
    return encodedOk || failSave(run, error);
}

// With `losslessStamps`, before any rename: a JPEG whose blocks take the
// stamps keeps every other block, and its pixels stay as stored. Says why
// when the photo must be encoded whole instead.
static bool keepCompression(PhotoRun &run, KeptCompression &kept)
{
    const bool done = stampKeepingCompression(
            run.workFile,
            [&run](QImage &layer) {
                return drawOverlays(layer, run.options, run.context.logo, run.context.fontFamily,
                                    run.stamp, run.context.log);
            },
            kept);
    run.lines << (done ? QStringLiteral("Compresión original conservada fuera de las marcas.")
                       : QStringLiteral("Se recodifica la foto entera: %1.").arg(kept.reason));
    return done;
}

// The stamps on the decoded photo: those already laid out for its blocks
// when it could not keep them, else drawn now.
static void stampImage(const PhotoRun &run, const KeptCompression &kept, QImage &image)
{
    if (kept.patches.empty()) {
        drawOverlays(image, run.options, run.context.logo, run.context.fontFamily, run.stamp,
                     run.context.log);
        return;
    }
    QPainter painter(&image);
    for (const StampPatch &patch : kept.patches)
        painter.drawImage(patch.origin, patch.picture);
}

// The photo is finished in memory, metadata included, and replaces the
// target in one step: an interrupted or failed save leaves the target as it
// was. Exiv2 never writes to the photo's path.
static bool save(PhotoRun &run, QByteArray &encoded)
{
    QString error;
    const auto metadataLines = embedMetadata(run, encoded);
    if (!replaceFileAtomically(run.targetPath, encoded, error))
        return failSave(run, error);
    run.lines << metadataLines;
    run.saved = true;
    return true;
}

// The JPEG of a HEIF photo is a new file: a name another photo takes at the
// same moment makes it try the next free one.
static bool saveAsNewJpeg(PhotoRun &run, const QByteArray &encoded)
{
    QString error;
    const QDir folder(run.jpegFolder);
    const auto permissions = QFileInfo(run.photoPath).permissions();
    for (int attempt = 0; attempt < maxRenameAttempts; ++attempt) {
        QByteArray withMetadata = encoded;
        const auto metadataLines = embedMetadata(run, withMetadata);
        if (writeFileToNewName(run.targetPath, withMetadata, permissions, error)) {
            run.lines << QStringLiteral("Convertido a JPEG: %1 a %2")
                                 .arg(run.fileName, QFileInfo(run.targetPath).fileName())
                      << metadataLines;
            run.saved = true;
            return true;
        }
        if (!isNameTaken(run.targetPath))
            break;
        run.targetPath = freeJpegName(folder, heifJpegBaseName(run));
    }
    return failSave(run, error);
}

// The JPEG of a HEIF photo is saved before its original goes to Backup, so
// its marker learns the backup's name only then: the JPEG is replaced once
// more, whole, with the marker that names it.
static void pointMarkerAtBackup(PhotoRun &run)
{
    markStamped(run);
    QFile file(run.targetPath);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    file.close();
    QString error;
    if (bytes.isEmpty() || storeMetadata(bytes, run.metadata, error) != MetadataResult::Done
        || !replaceFileAtomically(run.targetPath, bytes, error))
        run.lines << QStringLiteral("Error: la marca de %1 no nombra su copia de seguridad: %2")
                             .arg(QFileInfo(run.targetPath).fileName(), error);
}

// Once its JPEG is saved, the HEIF photo leaves the batch folder for Backup,
// so that no later run converts it again: also without backups, since it is
// the only original at full quality.
static void moveHeifToBackup(PhotoRun &run)
{
    if (run.options.useOutputFolder)
        return;
    if (!run.options.makeBackup)
        run.lines << QStringLiteral("Sin copia de seguridad pedida, el original %1 se guarda igual "
                                    "en Backup: es el único con toda su calidad.")
                             .arg(run.fileName);
    if (backUpPhoto(run.context.folder, run.photoPath, run.backupPath, run.lines, BackupKind::Move))
        pointMarkerAtBackup(run);
}

// Photos that got a position: from EXIF GPS or the track, or from their row,
// projected back from UTM. A photo without GPS in EXIF mode sits at a
// made-up place.
static void recordLocation(PhotoRun &run, QByteArray thumbnail)
{
    if (run.options.useExif && !run.hasGps)
        return;
    const auto &stamp = run.stamp;
    if (stamp.wgs84) {
        run.latitude = stamp.wgs84->latitude;
        run.longitude = stamp.wgs84->longitude;
    } else if (!run.hasGps) {
        utmToLatLon(stamp.position.zone, stamp.position.letter, stamp.position.easting,
                    stamp.position.northing, run.latitude, run.longitude);
    }
    run.location = locationRecord(stamp, run.latitude, run.longitude, run.targetPath,
                                  locationFolder(run.options, run.context.folder));
    if (run.context.crs)
        run.location->epsg = run.context.crs->entry().epsg;
    // The track's instant carries its zone; the camera's reading may not.
    if (run.trackInstant.isValid())
        run.location->dateTime = run.trackInstant;
    run.location->thumbnail = std::move(thumbnail);
}

static void reportUnopened(PhotoRun &run, const QString &path, const QString &reason)
{
    run.lines << QStringLiteral("Error al abrir la imagen: ") + path << reasonLine(reason);
}

static void runPipeline(PhotoRun &run)
{
    run.lines << QStringLiteral("\nProcesando: ") + run.fileName;
    // Judged before the file is copied or read whole: a huge file that is
    // no photo costs nothing.
    const QString problem = photoFileProblem(run.photoPath);
    if (!problem.isEmpty())
        return reportUnopened(run, run.photoPath, problem);
    const bool metadataRead = copyOriginalMetadata(run);
    if (leftAsStamped(run))
        return;
    // A photo without a position is left as it is: no backup, no copy.
    if (!readStamp(run, metadataRead) || !place(run))
        return;
    run.targetPath = run.workFile;
    // Big photos wait here for others to finish rather than all be decoded
    // at once.
    const PixelBudgetShare pixels(run.context.pixelBudget, decodedPhotoBytes(run.workFile));
    // Decoded before renaming, so a file that is no image, or a damaged one,
    // keeps its name and its bytes.
    KeptCompression kept;
    const bool keptBlocks = run.options.losslessStamps && keepCompression(run, kept);
    bool turned = false;
    QImage image;
    if (!keptBlocks) {
        QString reason;
        image = loadPhoto(run.workFile, turned, reason);
        if (image.isNull())
            return reportUnopened(run, run.workFile, reason);
    }
    if (run.fromHeif)
        run.targetPath = freeJpegName(QDir(run.jpegFolder), heifJpegBaseName(run));
    else if (run.options.renamePhotos && !renameTarget(run))
        return;
    // The stamp may read the GPS position again: from where the photo's
    // unchanged bytes are now, since a rename has moved them.
    run.stamp.photoPath = run.fromHeif ? run.workFile : run.targetPath;
    if (!run.options.useExif && !run.options.useGpxTrack && run.options.embedCsvInExif)
        replaceMetadataWithRow(run);
    markStamped(run);
    QByteArray encoded = kept.jpeg;
    QByteArray thumbnail;
    if (keptBlocks) {
        // Also in EXIF made anew from a row: the pixels were not turned.
        if (kept.orientation != 1)
            run.metadata.exif["Exif.Image.Orientation"] = uint16_t(kept.orientation);
    } else {
        stampImage(run, kept, image);
        // Made while the stamped image is still in memory.
        if (run.options.exportLocations)
            thumbnail = thumbnailJpeg(image);
        if (!encodeWhole(run, image, turned, encoded))
            return;
    }
    const bool saved = run.fromHeif ? saveAsNewJpeg(run, encoded) : save(run, encoded);
    if (saved && run.fromHeif)
        moveHeifToBackup(run);
    if (!saved || !run.options.exportLocations)
        return;
    if (keptBlocks)
        thumbnail = photoThumbnail(run.targetPath);
    recordLocation(run, std::move(thumbnail));
}

static void finish(BatchContext &context, int slot, PhotoRun &run)
{
    const int done = context.doneCount.fetch_add(1) + 1;
    if (context.progress)
        context.progress(done, context.total);
    context.photoLogs[size_t(slot)] = std::move(run.lines);
    if (!context.locations.empty())
        context.locations[size_t(slot)] = std::move(run.location);
    if (!context.transformations.empty())
        context.transformations[size_t(slot)] = std::move(run.transformation);
    // Only a saved photo carries the fixed position.
    const bool fixedButLost = run.positionOutcome == PositionOutcome::Fixed && !run.saved;
    context.photoEnds[size_t(slot)]
            = {run.photoPath, fixedButLost ? PositionOutcome::Found : run.positionOutcome,
               run.captureUtcMs};
}

void processPhoto(BatchContext &context, const QString &photoPath)
{
    const int slot = context.startedCount.fetch_add(1);
    PhotoRun run(context, photoPath);
    // An exception escaping here would stop the whole parallel map.
    try {
        runPipeline(run);
    } catch (const std::exception &exception) {
        run.lines << QStringLiteral("Error procesando %1: %2")
                             .arg(run.fileName, QString::fromLocal8Bit(exception.what()));
    } catch (...) {
        run.lines << QStringLiteral("Error procesando %1: %2")
                             .arg(run.fileName, QStringLiteral("error desconocido"));
    }
    if (run.skippedAsStamped)
        context.stampedSkips[size_t(slot)] = photoPath;
    else if (!run.saved)
        context.failedCount.fetch_add(1);
    finish(context, slot, run);
}

StampReading readStampValues(const BatchContext &context, const QString &photoPath)
{
    PhotoRun run(context, photoPath);
    StampReading reading;
    reading.positioned = readStamp(run, copyOriginalMetadata(run));
    reading.alreadyStamped = run.earlierMarker.has_value();
    reading.stamp = run.stamp;
    return reading;
}
