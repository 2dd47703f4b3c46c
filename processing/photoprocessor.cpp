#include "processing/photoprocessor.h"

#include "coords/coordinatesfile.h"
#include "processing/batchcontext.h"
#include "processing/elapsedtime.h"
#include "processing/fontregistry.h"
#include "processing/photocollection.h"
#include "processing/processphoto.h"
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

// Each pool thread holds at most one decoded photo, so the pool's size also
// bounds the batch's memory.
static void processAll(BatchContext &context, const QStringList &photos,
                       const std::atomic<bool> *stop)
{
    const auto processUnlessStopped = [&context, stop](const QString &photo) {
        if (!stop || !stop->load())
            processPhoto(context, photo);
    };
    // A single photo, as the preview renders, gains nothing from another
    // thread, and queued there it would wait behind a running batch.
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

BatchOutcome PhotoProcessor::renamePhotosWithUTM(const QString &folder,
                                                 const std::function<void(const QString &)> &log,
                                                 const std::function<void(int, int)> &progress)
{
    BatchContext context(options, folder, log, progress);
    const auto photos = collectPhotos(folder, options.includeSubdirectories);
    loadLogo(context);
    if (!options.useExif && !options.csvPath.isEmpty())
        context.coordinates = readCoordinatesFile(options.csvPath, log);
    context.total = int(photos.size());
    QElapsedTimer clock;
    clock.start();
    if (progress)
        progress(0, context.total);
    context.photoLogs.resize(size_t(context.total));
    registerFont(context);
    processAll(context, photos, stop);
    for (const auto &lines : context.photoLogs) {
        for (const auto &line : lines)
            log(line);
    }
    const BatchOutcome outcome {context.total, context.doneCount, context.failedCount};
    const QString time = formatElapsedTime(clock.elapsed());
    if (outcome.stopped())
        log(QStringLiteral("Proceso detenido: se procesaron %1 de %2 fotos en %3.")
                    .arg(QString::number(outcome.done), QString::number(outcome.total), time));
    else
        log(QStringLiteral("Se procesaron %1 fotos en %2.")
                    .arg(QString::number(context.total), time));
    return outcome;
}
