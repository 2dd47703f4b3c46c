#include "processing/photoprocessor.h"

#include "coords/coordinatesfile.h"
#include "exports/locationexport.h"
#include "files/freename.h"
#include "files/photocollection.h"
#include "geo/positionname.h"
#include "processing/batchcontext.h"
#include "processing/batchsummary.h"
#include "processing/elapsedtime.h"
#include "processing/folderlock.h"
#include "processing/photoplacement.h"
#include "processing/processphoto.h"
#include "processing/workpool.h"
#include "stamping/fontregistry.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSet>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

#include <numeric>
#include <vector>

PhotoProcessor::PhotoProcessor(const ProcessingOptions &options)
    : options(options)
    , pixelBudgetBytes(defaultPixelBudgetBytes)
{ }

static void loadLogo(BatchContext &context)
{
    if (context.options.logoPath.isEmpty())
        return;
    if (!context.logo.load(context.options.logoPath))
        context.log(QStringLiteral("Error al abrir el logo."));
}

static void registerFont(BatchContext &context)
{
    const auto &fontPath = context.options.fontPath;
    if (fontPath.isEmpty())
        return;
    QString family;
    if (registerFontFile(fontPath, family))
        context.fontFamily = family;
    else
        context.log(QStringLiteral("Error: No se pudo cargar la fuente personalizada desde: ")
                    + fontPath);
}

// A system PROJ cannot build refuses the run before any photo is touched.
static QString prepareCrs(BatchContext &context)
{
    const QString &code = context.options.outputCrs;
    if (code.isEmpty())
        return QString();
    QString problem;
    if (const auto entry = findProjectedCrs(code, problem))
        context.crs = crsTransform(entry->epsg, problem);
    if (!context.crs) {
        context.log(problem);
        return problem;
    }
    for (const QString &line : context.crs->choiceLines())
        context.log(line);
    return QString();
}

// The track is read before any photo is touched: bad input refuses the run.
static QString prepareTrack(BatchContext &context)
{
    const auto &options = context.options;
    QString error;
    if (!prepareTrackPositioning(options.gpxPath, options.cameraTimeZone,
                                 options.clockCorrectionSeconds, options.maxPointSeparationSeconds,
                                 context.track, error)) {
        context.log(error);
        return error;
    }
    for (const auto &line : trackSummary(context.track))
        context.log(line);
    return QString();
}

QString loadBatchResources(BatchContext &context)
{
    loadLogo(context);
    const auto &options = context.options;
    const QString crsRefusal = prepareCrs(context);
    if (!crsRefusal.isEmpty())
        return crsRefusal;
    if (options.useGpxTrack) {
        const QString refusal = prepareTrack(context);
        if (!refusal.isEmpty())
            return refusal;
    } else if (!options.useExif && !options.csvPath.isEmpty()) {
        context.coordinates = readCoordinatesFile(options.csvPath, context.log, context.crs.get());
    }
    registerFont(context);
    return QString();
}

// Each pool thread holds at most one decoded photo, and the pixel budget
// bounds what they hold together.
static void processAll(BatchContext &context, const QStringList &photos,
                       const std::atomic<bool> *stop)
{
    context.names.reset(int(photos.size()));
    // A photo stopped before it started takes no name, and the photos after
    // it must not wait for one.
    const auto processUnlessStopped = [&context, &photos, stop](int index) {
        if (!stop || !stop->load()) {
            processPhoto(context, index, photos.at(index));
        } else {
            context.names.publish(index, QString());
            context.names.settle(index, false);
        }
    };
    // A single photo gains nothing from another thread, and queued there it
    // would wait behind a running batch.
    if (photos.size() == 1) {
        processUnlessStopped(0);
        return;
    }
    // The map hands the photos to its threads in this order, so a photo
    // waiting for the names of those before it never waits for one queued
    // behind itself.
    std::vector<int> indices(size_t(photos.size()));
    std::iota(indices.begin(), indices.end(), 0);
    QThreadPool *pool = workPool();
    // A caller that is itself a pool thread would only wait: hand its place
    // to the photos for as long as it waits.
    const bool callerIsPoolThread = pool->contains(QThread::currentThread());
    if (callerIsPoolThread)
        pool->releaseThread();
    QtConcurrent::map(pool, indices, processUnlessStopped).waitForFinished();
    if (callerIsPoolThread)
        pool->reserveThread();
}

void PhotoProcessor::setStopFlag(const std::atomic<bool> *stop)
{
    this->stop = stop;
}

void PhotoProcessor::setPixelBudget(qint64 bytes)
{
    pixelBudgetBytes = bytes;
}

static QVector<LocationRecord> locatedPhotos(const BatchContext &context)
{
    QVector<LocationRecord> records;
    for (const auto &location : context.locations) {
        if (location)
            records.append(*location);
    }
    return records;
}

static QStringList photosWith(const BatchContext &context, PositionOutcome outcome)
{
    QStringList paths;
    for (const PhotoEnd &end : context.photoEnds) {
        if (!end.path.isEmpty() && end.position == outcome)
            paths << end.path;
    }
    return paths;
}

static void logPhotoList(const QString &folder, const QStringList &paths, const QString &what,
                         const LogCallback &log)
{
    if (!paths.isEmpty())
        log(QStringLiteral("%1 %2: %3.")
                    .arg(QString::number(paths.size()), what, photoNamesFrom(folder, paths)));
}

static void logClockShiftHint(const BatchContext &context, const LogCallback &log)
{
    QVector<qint64> instants;
    for (const PhotoEnd &end : context.photoEnds) {
        if (end.captureUtcMs)
            instants << *end.captureUtcMs;
    }
    const QString hint = clockShiftHint(context.track, instants);
    if (!hint.isEmpty())
        log(hint);
}

static QString usedPrefixProblem(const ProcessingOptions &options)
{
    return options.renamePhotos && options.usePrefix ? prefixProblem(options.prefix) : QString();
}

// A system PROJ does not know, or no projected one, refuses the run.
static QString crsProblem(const ProcessingOptions &options)
{
    QString problem;
    if (!options.outputCrs.isEmpty())
        findProjectedCrs(options.outputCrs, problem);
    return problem;
}

// Every folder the batch writes in: the batch folder (backups go below it),
// each folder holding its photos, and their counterparts in the output folder
// that exist already.
static QStringList foldersWrittenIn(const QString &folder, const ProcessingOptions &options,
                                    const QStringList &photos)
{
    QSet<QString> photoFolders = {folder};
    QSet<QString> copyFolders = {options.outputFolder};
    for (const auto &photo : photos) {
        photoFolders.insert(QFileInfo(photo).absolutePath());
        copyFolders.insert(QDir(options.outputFolder).filePath(relativeFolder(folder, photo)));
    }
    QStringList folders(photoFolders.cbegin(), photoFolders.cend());
    for (const auto &copyFolder : copyFolders) {
        if (options.useOutputFolder && QFileInfo(copyFolder).isDir())
            folders.append(copyFolder);
    }
    return folders;
}

// Why the batch may not start; empty when `lock` now holds its folders.
static QString startProblem(FolderLock &lock, const QString &folder,
                            const ProcessingOptions &options, const QStringList &photos)
{
    QString problem = usedPrefixProblem(options);
    if (problem.isEmpty())
        problem = crsProblem(options);
    return problem.isEmpty() ? lock.tryLock(foldersWrittenIn(folder, options, photos)) : problem;
}

QString batchStartProblem(const QString &folder, const ProcessingOptions &options)
{
    FolderLock lock;
    return startProblem(lock, folder, options,
                        collectPhotos(folder, options.includeSubdirectories));
}

static void logBadNames(const QStringList &badNames, const LogCallback &log)
{
    for (const auto &name : badNames)
        log(QStringLiteral("Se omite %1: su nombre no es texto válido. Cámbiele el nombre para "
                           "procesarlo.")
                    .arg(QDir::toNativeSeparators(name)));
}

BatchOutcome PhotoProcessor::renamePhotosWithUTM(const QString &folder,
                                                 const std::function<void(const QString &)> &log,
                                                 const std::function<void(int, int)> &progress)
{
    QStringList badNames;
    const auto photos = collectPhotos(folder, options.includeSubdirectories, &badNames);
    // Made now, so that it is locked before any photo goes in.
    if (options.useOutputFolder)
        QDir().mkpath(options.outputFolder);
    FolderLock lock;
    const QString problem = startProblem(lock, folder, options, photos);
    if (!problem.isEmpty()) {
        log(problem);
        return {problem};
    }
    BatchContext context(options, folder, log, progress);
    context.pixelBudget.setLimit(pixelBudgetBytes);
    logBadNames(badNames, log);
    const QString refusal = loadBatchResources(context);
    if (!refusal.isEmpty())
        return {refusal};
    context.total = int(photos.size());
    QElapsedTimer clock;
    clock.start();
    if (progress)
        progress(0, context.total);
    context.photoLogs.resize(size_t(context.total));
    context.stampedSkips.resize(size_t(context.total));
    if (options.exportLocations)
        context.locations.resize(size_t(context.total));
    context.photoEnds.resize(size_t(context.total));
    if (context.crs)
        context.transformations.resize(size_t(context.total));
    processAll(context, photos, stop);
    for (const auto &lines : context.photoLogs) {
        for (const auto &line : lines)
            log(line);
    }
    // Each transformation the photos went through, said once: which one and
    // how exact PROJ says it is.
    for (const QString &line : transformationLines(context.transformations))
        log(line);
    if (options.useGpxTrack)
        logClockShiftHint(context, log);
    BatchOutcome outcome;
    outcome.badNames = badNames;
    outcome.logoMissing = !options.logoPath.isEmpty() && context.logo.isNull();
    if (options.exportLocations)
        outcome.exportFailed
                = !writeLocationFiles(locationFolder(options, folder), locatedPhotos(context), log);
    outcome.total = context.total;
    outcome.done = context.doneCount;
    outcome.failed = context.failedCount;
    for (const auto &path : context.stampedSkips) {
        if (!path.isEmpty())
            outcome.alreadyStamped.append(path);
    }
    outcome.alreadyStamped.sort();
    outcome.unsupported = collectUnsupportedPictures(folder, options.includeSubdirectories);
    outcome.fixedPosition = photosWith(context, PositionOutcome::Fixed);
    outcome.withoutPosition = photosWith(context, PositionOutcome::Missing);
    for (const PhotoEnd &end : context.photoEnds) {
        if (end.outsideArea)
            outcome.outsideArea << end.path;
    }
    log(batchCountLine(outcome, formatElapsedTime(clock.elapsed())));
    logPhotoList(folder, outcome.fixedPosition,
                 QStringLiteral("foto(s) sin datos GPS quedaron en las coordenadas fijas ")
                         + utmName(fallbackPosition),
                 log);
    logPhotoList(folder, outcome.withoutPosition,
                 QStringLiteral("foto(s) quedaron sin procesar por no tener posición"), log);
    return outcome;
}
