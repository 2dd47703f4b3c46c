#include "exports/locationexport.h"

#include "exports/geojsonwriter.h"
#include "exports/kmzwriter.h"
#include "exports/locationcsv.h"
#include "files/atomicfile.h"
#include "files/photocollection.h"
#include "files/photofile.h"
#include "geo/utmposition.h"
#include "image/photoloader.h"
#include "image/thumbnail.h"
#include "metadata/exifreader.h"
#include "metadata/metadatacopy.h"

#include <QDir>

#include <algorithm>

QString locationFolder(const ProcessingOptions &options, const QString &batchFolder)
{
    return options.useOutputFolder ? options.outputFolder : batchFolder;
}

static bool writeLocationFile(const QString &path, bool built, const QByteArray &bytes,
                              QString error, const LogCallback &log)
{
    if (built && replaceFileAtomically(path, bytes, error)) {
        log(QStringLiteral("Ubicaciones exportadas a: ") + path);
        return true;
    }
    log(QStringLiteral("Error: No se pudo escribir %1: %2").arg(path, error));
    return false;
}

static QString documentName(const QString &folder)
{
    return QDir(QDir(folder).absolutePath()).dirName();
}

static bool hasOffset(const QDateTime &time)
{
    return time.timeSpec() != Qt::LocalTime;
}

// The clock reading as if it were UTC, so readings compare as written.
static QDateTime clockReading(const QDateTime &time)
{
    return QDateTime(time.date(), time.time(), Qt::UTC);
}

bool capturedBefore(const LocationRecord &a, const LocationRecord &b, bool byInstant)
{
    if (a.dateTime.isValid() != b.dateTime.isValid())
        return !a.dateTime.isValid();
    if (a.dateTime.isValid()) {
        const QDateTime first = byInstant ? a.dateTime : clockReading(a.dateTime);
        const QDateTime second = byInstant ? b.dateTime : clockReading(b.dateTime);
        if (first != second)
            return first < second;
    }
    return a.relativePath < b.relativePath;
}

bool instantsKnown(const QVector<LocationRecord> &records)
{
    return std::all_of(records.cbegin(), records.cend(), [](const LocationRecord &record) {
        return !record.dateTime.isValid() || hasOffset(record.dateTime);
    });
}

void sortByCapture(QVector<LocationRecord> &records)
{
    const bool byInstant = instantsKnown(records);
    std::sort(records.begin(), records.end(),
              [byInstant](const LocationRecord &a, const LocationRecord &b) {
                  return capturedBefore(a, b, byInstant);
              });
}

bool writeLocationFiles(const QString &folder, QVector<LocationRecord> records,
                        const LogCallback &log)
{
    sortByCapture(records);
    const QDir directory(folder);
    QByteArray kmz;
    QString error;
    const bool kmzBuilt = buildKmz(documentName(folder), records, kmz, error);
    // Each file is tried whatever became of the others.
    bool written = writeLocationFile(directory.filePath(QLatin1String(kmzFileName)), kmzBuilt, kmz,
                                     error, log);
    written &= writeLocationFile(directory.filePath(QLatin1String(geoJsonFileName)), true,
                                 geoJsonDocument(records), {}, log);
    written &= writeLocationFile(directory.filePath(QLatin1String(csvFileName)), true,
                                 locationCsv(records), {}, log);
    return written;
}

// The camera's clock may run in an unknown zone, or a few minutes wrong; the
// GPS receiver's instant (a track run writes it too) is the true one. It is
// given at the camera's offset from UTC, which its reading shows to the
// nearest quarter hour; in UTC when there is no reading or no such offset.
static QDateTime receiverInstant(const QDateTime &utc, const QDateTime &cameraReading)
{
    if (!cameraReading.isValid())
        return utc;
    if (cameraReading.timeSpec() != Qt::LocalTime)
        return utc.toOffsetFromUtc(cameraReading.offsetFromUtc());
    const qint64 apart = utc.secsTo(QDateTime(cameraReading.date(), cameraReading.time(), Qt::UTC));
    constexpr qint64 quarterHour = 15 * 60;
    constexpr qint64 widestOffset = 14 * 3600;
    const qint64 offset = qRound64(double(apart) / quarterHour) * quarterHour;
    return qAbs(offset) <= widestOffset ? utc.toOffsetFromUtc(int(offset)) : utc;
}

bool readPhotoLocation(const QString &photo, const Exiv2::ExifData &exif, const QString &folder,
                       const CrsTransform *crs, LocationRecord &record, const LogCallback &log,
                       QString *transformation, bool *outsideArea)
{
    const auto gps = readGpsFromExif(exif);
    if (!gps)
        return false;
    if (gps->altitude.discarded)
        log(discardedAltitudeLine(QDir(folder).relativeFilePath(photo), *gps->altitude.discarded));
    PhotoStamp stamp;
    stamp.position
            = utmPositionOf(gps->latitude, gps->longitude, gps->direction, gps->altitude.metres);
    if (crs
        && !projectPosition(*crs, gps->latitude, gps->longitude, stamp.position, transformation))
        return false;
    const QString outside = crs ? crs->outsideAreaLine(QDir(folder).relativeFilePath(photo),
                                                       gps->latitude, gps->longitude)
                                : QString();
    if (!outside.isEmpty())
        log(outside);
    if (outsideArea)
        *outsideArea = !outside.isEmpty();
    readCaptureDateTime(exif, stamp.captureTime);
    record = locationRecord(stamp, gps->latitude, gps->longitude, photo, folder);
    if (gps->instant)
        record.dateTime = receiverInstant(*gps->instant, stamp.captureTime);
    record.epsg = crs ? crs->entry().epsg : 0;
    return true;
}

// Reads one photo into `records`, or names it in the log and counts it. One
// read serves its checks, its position, its time and its thumbnail.
static void readExportedPhoto(const QString &photo, const QString &folder, const CrsTransform *crs,
                              const LogCallback &log, QVector<LocationRecord> &records,
                              LocationExportOutcome &outcome)
{
    const QString name = QDir(folder).relativeFilePath(photo);
    const PhotoFile file = readPhotoFile(photo);
    const QString problem = photoReadProblem(file);
    if (!problem.isEmpty()) {
        log(QStringLiteral("Error: No se pudo leer %1, se omite: %2").arg(name, problem));
        ++outcome.unreadable;
        return;
    }
    PhotoMetadata metadata;
    QString error;
    readPhotoMetadata(file.bytes(), metadata, error);
    LocationRecord record;
    bool outside = false;
    if (!readPhotoLocation(photo, metadata.exif, folder, crs, record, log, nullptr, &outside)) {
        log(QStringLiteral("Sin datos GPS, se omite: ") + name);
        return;
    }
    outcome.outsideArea += outside;
    record.thumbnail = photoThumbnail(file.bytes());
    records.append(std::move(record));
}

LocationExportOutcome exportFolderLocations(const QString &folder, bool includeSubdirectories,
                                            const LogCallback &log,
                                            const ProgressCallback &progress,
                                            const std::atomic<bool> *stop, const CrsTransform *crs)
{
    const QStringList photos = collectPhotos(folder, includeSubdirectories);
    LocationExportOutcome outcome;
    const int total = outcome.total = int(photos.size());
    if (crs)
        for (const QString &line : crs->choiceLines())
            log(line);
    if (progress)
        progress(0, total);
    QVector<LocationRecord> records;
    for (int i = 0; i < total; ++i) {
        if (stop && stop->load()) {
            log(QStringLiteral("Exportación detenida: se leyeron %1 de %2 fotos; no se escribió "
                               "ningún archivo.")
                        .arg(QString::number(i), QString::number(total)));
            outcome.stopped = true;
            return outcome;
        }
        readExportedPhoto(photos.at(i), folder, crs, log, records, outcome);
        if (progress)
            progress(i + 1, total);
    }
    outcome.located = int(records.size());
    log(QStringLiteral("Fotos con ubicación: %1 de %2.")
                .arg(QString::number(outcome.located), QString::number(total)));
    if (crs && outcome.outsideArea > 0)
        log(crs->outsideAreaCountLine(outcome.outsideArea));
    if (outcome.unreadable > 0)
        log(QStringLiteral("Archivos que no se pudieron leer: %1.")
                    .arg(QString::number(outcome.unreadable)));
    if (records.isEmpty()) {
        log(QStringLiteral("Error: Ninguna foto tiene ubicación GPS; no se escribió ningún "
                           "archivo."));
        return outcome;
    }
    outcome.written = writeLocationFiles(folder, std::move(records), log);
    return outcome;
}
