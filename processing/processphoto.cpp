#include "processing/processphoto.h"

#include "exports/locationexport.h"
#include "files/atomicfile.h"
#include "files/freename.h"
#include "files/photocollection.h"
#include "files/photofile.h"
#include "geo/globelimits.h"
#include "geo/positionname.h"
#include "geo/utm.h"
#include "image/photoloader.h"
#include "image/thumbnail.h"
#include "metadata/exifwriter.h"
#include "metadata/metadatacopy.h"
#include "metadata/nativepath.h"
#include "metadata/photodescription.h"
#include "metadata/stampmarker.h"
#include "processing/failurereason.h"
#include "processing/photoplacement.h"
#include "processing/stampreading.h"
#include "stamping/losslessstamp.h"
#include "stamping/overlay.h"
#include "stamping/photostamp.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>

#include <exception>
#include <optional>
#include <string>
#include <utility>

// Gives up renaming when other photos keep taking the chosen names.
static constexpr int maxRenameAttempts = 1000;

// One photo on its way through the pipeline, from what was read of it on.
struct PhotoRun : PhotoReading
{
    PhotoRun(const BatchContext &context, int index, const QString &photoPath)
        : PhotoReading(context, photoPath)
        , index(index)
        , workFile(QFileInfo(photoPath).absoluteFilePath())
        , fromHeif(isHeifName(photoPath))
    { }

    const int index; // in the batch's collection
    QString workFile;
    // A HEIF photo is only read: its result is a new JPEG in `jpegFolder`.
    const bool fromHeif;
    QString jpegFolder;
    QString targetPath;
    int nameNumber = 0; // among the batch's photos that take the same name
    std::optional<LocationRecord> location;
    QString backupPath; // empty while no backup was made
    bool outputCopy = false; // the work file is a copy made in the output folder
    bool saved = false; // the photo reached its target whole
    bool skippedAsStamped = false;
};

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
        return run.outputCopy
                = placeInOutputFolder(run.context.folder, run.options.outputFolder, run.photoPath,
                                      run.source, run.workFile, run.lines);
    if (run.options.makeBackup)
        return backUpPhoto(run.context.folder, run.photoPath, run.source, run.backupPath,
                           run.lines);
    return true;
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
    marker.system = positionSystemName(run.stamp.position, run.context.crs.get());
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

// The name of the photo's number among the photos that take `baseName`, or,
// when another file holds it, the first free one.
static QString numberedOrFreeName(const PhotoRun &run, const QDir &folder, const QString &baseName,
                                  const QString &ownName = {})
{
    const QString numbered = numberedFileName(baseName, QStringLiteral("jpg"), run.nameNumber);
    if (numbered != ownName && isNameTaken(folder.filePath(numbered)))
        return freeJpegName(folder, baseName, ownName);
    return folder.filePath(numbered);
}

// Photos of one batch run in parallel, so a name found free may be taken
// before the rename: then the next free name is tried.
static bool renameTarget(PhotoRun &run)
{
    const auto baseName = positionBaseName(run);
    const QFileInfo work(run.workFile);
    QString reason = QStringLiteral("otras fotos ocupan todos los nombres posibles.");
    for (int attempt = 0; attempt < maxRenameAttempts; ++attempt) {
        const auto candidate
                = numberedOrFreeName(run, work.absoluteDir(), baseName, work.fileName());
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

// The name the photo will take, with its folder; empty when it keeps its own.
static QString takenName(const PhotoRun &run)
{
    if (!run.fromHeif && !run.options.renamePhotos)
        return QString();
    return QFileInfo(run.photoPath).path() + QLatin1Char('/')
            + (run.fromHeif ? heifJpegBaseName(run) : positionBaseName(run));
}

// Waits, holding no decoded pixels, until the photos before this one that
// take the same name have taken it or failed.
static void takeNameNumber(PhotoRun &run)
{
    const QString name = takenName(run);
    if (!name.isEmpty())
        run.nameNumber = run.context.names.numberAmong(run.index, name);
}

static void replaceMetadataWithRow(PhotoRun &run)
{
    run.lines << QStringLiteral("Generando nuevos metadatos EXIF desde datos TXT para ")
                    + QFileInfo(run.targetPath).fileName();
    // The row replaces the tags, not the colours the pixels are in.
    std::string iccProfile = std::move(run.metadata.iccProfile);
    run.metadata.clear();
    run.metadata.iccProfile = std::move(iccProfile);
    const auto &stamp = run.stamp;
    if (stamp.position.altitude && !isPlausibleAltitude(*stamp.position.altitude))
        run.lines << QStringLiteral("Altitud fuera de rango (%1 m): no se escribe en el EXIF.")
                             .arg(QString::number(*stamp.position.altitude));
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

// `suffix`: the target's, which names the format.
static bool encodeImage(const QImage &image, const QString &suffix, int quality,
                        QByteArray &encoded, QString &error)
{
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    const auto format = suffix.toLower().toLatin1();
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    if (format == "png")
        writer.setCompression(0);
    if (writer.write(image))
        return true;
    error = writer.errorString();
    return false;
}

// Puts the metadata copies into the encoded photo and sets the lines that
// report it in `lines`; they wait for the save, since they belong to a saved
// photo only. A photo whose metadata cannot be written is not saved: it would
// lose its position, its date and its stamp marker.
static bool embedMetadata(PhotoRun &run, QByteArray &encoded, QStringList &lines)
{
    const auto targetName = QFileInfo(run.targetPath).fileName();
    lines = QStringList {QStringLiteral("Intentando escribir EXIF a (nativo): ")
                         + nativePathText(run.targetPath)};
    QString error;
    const auto stored = storeMetadata(encoded, run.metadata, error);
    if (stored == MetadataResult::Failed) {
        run.lines << QStringLiteral("Error escribiendo metadatos en %1: %2").arg(targetName, error);
        return false;
    }
    if (stored == MetadataResult::Done)
        lines << QStringLiteral("Metadatos escritos para ") + targetName;
    if (run.metadata.xmpUnreadable)
        lines << QStringLiteral("Los datos XMP de %1 no son válidos y no se conservaron.")
                         .arg(targetName);
    return true;
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
    // A renamed photo, and a HEIF one, become JPEG files.
    const QString suffix = run.fromHeif || run.options.renamePhotos
            ? QStringLiteral("jpg")
            : QFileInfo(run.workFile).suffix();
    const bool encodedOk = encodeImage(image, suffix, run.options.jpegQuality, encoded, error);
    image = QImage();
    return encodedOk || failSave(run, error);
}

// With `losslessStamps`, before any rename: a JPEG whose blocks take the
// stamps keeps every other block, and its pixels stay as stored. Says why
// when the photo must be encoded whole instead.
static bool keepCompression(PhotoRun &run, KeptCompression &kept)
{
    const bool done = stampKeepingCompression(
            run.source.bytes(),
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
    QStringList metadataLines;
    if (!embedMetadata(run, encoded, metadataLines))
        return false;
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
        QStringList metadataLines;
        if (!embedMetadata(run, withMetadata, metadataLines))
            return false;
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
// its marker learns the backup's name only then: the JPEG, still `encoded`
// in memory, is replaced once more, whole, with the marker that names it.
static void pointMarkerAtBackup(PhotoRun &run, QByteArray encoded)
{
    markStamped(run);
    QString error;
    if (storeMetadata(encoded, run.metadata, error) != MetadataResult::Done
        || !replaceFileAtomically(run.targetPath, encoded, error))
        run.lines << QStringLiteral("Error: la marca de %1 no nombra su copia de seguridad: %2")
                             .arg(QFileInfo(run.targetPath).fileName(), error);
}

// Once its JPEG is saved, the HEIF photo leaves the batch folder for Backup,
// so that no later run converts it again: also without backups, since it is
// the only original at full quality.
static void moveHeifToBackup(PhotoRun &run, const QByteArray &encoded)
{
    if (run.options.useOutputFolder)
        return;
    if (!run.options.makeBackup)
        run.lines << QStringLiteral("Sin copia de seguridad pedida, el original %1 se guarda igual "
                                    "en Backup: es el único con toda su calidad.")
                             .arg(run.fileName);
    if (moveToBackup(run.context.folder, run.photoPath, run.backupPath, run.lines))
        pointMarkerAtBackup(run, encoded);
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

// One open and one read of the photo; false, said, when it cannot be read or
// is no photo this program reads. A huge file is mapped, not read, so one
// that is no photo costs nothing.
static bool readSource(PhotoRun &run)
{
    run.source = readPhotoFile(run.photoPath);
    const QString problem = run.source.isRead() ? photoFileProblem(run.source.bytes())
                                                : QStringLiteral("no se pudo leer el archivo.");
    if (problem.isEmpty())
        return true;
    reportUnopened(run, run.photoPath, problem);
    return false;
}

static void runPipeline(PhotoRun &run)
{
    run.lines << QStringLiteral("\nProcesando: ") + run.fileName;
    // The photo's bytes count against the batch's memory from the moment
    // they are read, as its decoded pixels do later.
    PixelBudgetShare memory(run.context.pixelBudget,
                            photoFileMemoryBytes(QFileInfo(run.photoPath).size()));
    if (!readSource(run))
        return;
    const bool metadataRead = copyOriginalMetadata(run);
    if (leftAsStamped(run))
        return;
    const bool positioned = readStamp(run, metadataRead);
    run.context.names.publish(run.index, positioned ? takenName(run) : QString());
    // A photo without a position is left as it is: no backup, no copy.
    if (!positioned || !place(run))
        return;
    run.targetPath = run.workFile;
    // Big photos wait here for others to finish rather than all be decoded
    // at once.
    const qint64 pixelBytes = decodedPhotoBytes(run.source.bytes());
    memory.resize(run.source.heldBytes() + pixelBytes);
    // Decoded before renaming, so a file that is no image, or a damaged one,
    // keeps its name and its bytes.
    KeptCompression kept;
    const bool keptBlocks = run.options.losslessStamps && keepCompression(run, kept);
    bool turned = false;
    QImage image;
    if (!keptBlocks) {
        QString reason;
        image = loadPhoto(run.source.bytes(), turned, reason);
        if (image.isNull())
            return reportUnopened(run, run.workFile, reason);
    }
    // Every step that needed the photo's bytes has had them.
    run.source = PhotoFile();
    memory.resize(pixelBytes);
    QByteArray encoded = kept.jpeg;
    QByteArray thumbnail;
    if (!keptBlocks) {
        stampImage(run, kept, image);
        // Made while the stamped image is still in memory.
        if (run.options.exportLocations)
            thumbnail = thumbnailJpeg(image);
        if (!encodeWhole(run, image, turned, encoded))
            return;
    }
    // Encoded, so renamed only once nothing but the saving is left. The
    // pixels are given back first: a photo waiting for an earlier one's name
    // must hold nothing that one may wait for.
    image = QImage();
    memory.resize(0);
    takeNameNumber(run);
    if (run.fromHeif)
        run.targetPath = numberedOrFreeName(run, QDir(run.jpegFolder), heifJpegBaseName(run));
    else if (run.options.renamePhotos && !renameTarget(run))
        return;
    if (!run.options.useExif && !run.options.useGpxTrack && run.options.embedCsvInExif)
        replaceMetadataWithRow(run);
    // Also in EXIF made anew from a row: the pixels were not turned.
    if (keptBlocks && kept.orientation != 1)
        run.metadata.exif["Exif.Image.Orientation"] = uint16_t(kept.orientation);
    markStamped(run);
    const bool saved = run.fromHeif ? saveAsNewJpeg(run, encoded) : save(run, encoded);
    // A photo that failed gives its name back (leaveAsFound).
    run.context.names.settle(run.index, saved);
    if (saved && run.fromHeif)
        moveHeifToBackup(run, encoded);
    if (!saved || !run.options.exportLocations)
        return;
    // The saved photo, as it was written.
    if (keptBlocks)
        thumbnail = photoThumbnail(encoded);
    recordLocation(run, std::move(thumbnail));
}

// A photo that failed leaves no unstamped copy among the results of an output
// folder, and gets back the name a rename took from it.
static void leaveAsFound(PhotoRun &run)
{
    const QString current = run.targetPath.isEmpty() ? run.workFile : run.targetPath;
    QString error;
    if (run.outputCopy)
        QFile::remove(current);
    else if (!run.fromHeif && current != run.workFile
             && moveFileToNewName(current, run.workFile, error))
        run.lines << QStringLiteral("Recupera su nombre: ") + QFileInfo(run.workFile).fileName();
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
               run.captureUtcMs, run.outsideArea && run.saved};
}

void processPhoto(BatchContext &context, int index, const QString &photoPath)
{
    const int slot = context.startedCount.fetch_add(1);
    PhotoRun run(context, index, photoPath);
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
    // A photo that ended before it took a name takes none.
    context.names.publish(index, QString());
    context.names.settle(index, false);
    if (run.skippedAsStamped) {
        context.stampedSkips[size_t(slot)] = photoPath;
    } else if (!run.saved) {
        leaveAsFound(run);
        context.failedCount.fetch_add(1);
    }
    finish(context, slot, run);
}
