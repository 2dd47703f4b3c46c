#include "processing/photoprocessor.h"

#include "coords/coordinatesfile.h"
#include "files/photocollection.h"
#include "processing/batchcontext.h"
#include "processing/elapsedtime.h"
#include "processing/folderlock.h"
#include "processing/fontregistry.h"
#include "processing/locationexport.h"
#include "processing/processphoto.h"
#include "processing/utmname.h"
#include "processing/workpool.h"

#include <QElapsedTimer>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

PhotoProcessor::PhotoProcessor(const ProcessingOptions &options)
    : options(options)
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
    if (options.useGpxTrack) {
        const QString refusal = prepareTrack(context);
        if (!refusal.isEmpty())
            return refusal;
    } else if (!options.useExif && !options.csvPath.isEmpty()) {
        context.coordinates = readCoordinatesFile(options.csvPath, context.log);
    }
    registerFont(context);
    return QString();
}

// Each pool thread holds at most one decoded photo, so the pool's size also
// bounds the batch's memory.
static void processAll(BatchContext &context, const QStringList &photos,
                       const std::atomic<bool> *stop)
{
    const auto processUnlessStopped = [&context, stop](const QString &photo) {
        if (!stop || !stop->load())
            processPhoto(context, photo);
    };
    // A single photo gains nothing from another thread, and queued there it
    // would wait behind a running batch.
    if (photos.size() == 1) {
        processUnlessStopped(photos.first());
        return;
    }
    QThreadPool *pool = workPool();
    // A caller that is itself a pool thread would only wait: hand its place
    // to the photos for as long as it waits.
    const bool callerIsPoolThread = pool->contains(QThread::currentThread());
    if (callerIsPoolThread)
        pool->releaseThread();
    QtConcurrent::map(pool, photos, processUnlessStopped).waitForFinished();
    if (callerIsPoolThread)
        pool->reserveThread();
}

void PhotoProcessor::setStopFlag(const std::atomic<bool> *stop)
{
    this->stop = stop;
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

static QString usedPrefixProblem(const ProcessingOptions &options)
{
    return options.renamePhotos && options.usePrefix ? prefixProblem(options.prefix) : QString();
}

QString batchStartProblem(const QString &folder, const ProcessingOptions &options)
{
    const QString problem = usedPrefixProblem(options);
    return problem.isEmpty() ? FolderLock(folder).tryLock() : problem;
}

BatchOutcome PhotoProcessor::renamePhotosWithUTM(const QString &folder,
                                                 const std::function<void(const QString &)> &log,
                                                 const std::function<void(int, int)> &progress)
{
    FolderLock lock(folder);
    QString problem = usedPrefixProblem(options);
    if (problem.isEmpty())
        problem = lock.tryLock();
    if (!problem.isEmpty()) {
        log(problem);
        return {problem};
    }
    BatchContext context(options, folder, log, progress);
    const auto photos = collectPhotos(folder, options.includeSubdirectories);
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
    processAll(context, photos, stop);
    for (const auto &lines : context.photoLogs) {
        for (const auto &line : lines)
            log(line);
    }
    if (options.exportLocations)
        writeLocationFiles(locationFolder(options, folder), locatedPhotos(context), log);
    BatchOutcome outcome;
    outcome.total = context.total;
    outcome.done = context.doneCount;
    outcome.failed = context.failedCount;
    for (const auto &path : context.stampedSkips) {
        if (!path.isEmpty())
            outcome.alreadyStamped.append(path);
    }
    outcome.alreadyStamped.sort();
    outcome.unsupported = collectUnsupportedPictures(folder, options.includeSubdirectories);
    const QString time = formatElapsedTime(clock.elapsed());
    if (outcome.stopped())
        log(QStringLiteral("Proceso detenido: se procesaron %1 de %2 fotos en %3.")
                    .arg(QString::number(outcome.done), QString::number(outcome.total), time));
    else
        log(QStringLiteral("Se procesaron %1 fotos en %2.")
                    .arg(QString::number(context.total), time));
    return outcome;
}
