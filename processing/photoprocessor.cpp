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

void loadBatchResources(BatchContext &context)
{
    loadLogo(context);
    if (!context.options.useExif && !context.options.csvPath.isEmpty())
        context.coordinates = readCoordinatesFile(context.options.csvPath, context.log);
    registerFont(context);
}

// Each pool thread holds at most one decoded photo, so the pool's size also
// bounds the batch's memory.
static void processAll(BatchContext &context, const QStringList &photos)
{
    // A single photo gains nothing from another thread, and queued there it
    // would wait behind a running batch.
    if (photos.size() == 1) {
        processPhoto(context, photos.first());
        return;
    }
    QThreadPool *pool = workPool();
    // A caller that is itself a pool thread would only wait: hand its place
    // to the photos for as long as it waits.
    const bool callerIsPoolThread = pool->contains(QThread::currentThread());
    if (callerIsPoolThread)
        pool->releaseThread();
    QtConcurrent::map(pool, photos, [&context](const QString &photo) {
        processPhoto(context, photo);
    }).waitForFinished();
    if (callerIsPoolThread)
        pool->reserveThread();
}

void PhotoProcessor::renamePhotosWithUTM(const QString &folder,
                                         const std::function<void(const QString &)> &log,
                                         const std::function<void(int, int)> &progress)
{
    BatchContext context(options, folder, log, progress);
    const auto photos = collectPhotos(folder, options.includeSubdirectories);
    loadBatchResources(context);
    context.total = int(photos.size());
    QElapsedTimer clock;
    clock.start();
    if (progress)
        progress(0, context.total);
    context.photoLogs.resize(size_t(context.total));
    processAll(context, photos);
    for (const auto &lines : context.photoLogs) {
        for (const auto &line : lines)
            log(line);
    }
    log(QStringLiteral("Se procesaron %1 fotos en %2.")
                .arg(QString::number(context.total), formatElapsedTime(clock.elapsed())));
}
