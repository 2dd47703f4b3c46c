#include "app/previewrenderer.h"

#include "processing/workpool.h"

#include <QtConcurrent/QtConcurrentRun>

#include <utility>

PreviewRenderer::PreviewRenderer(QObject *parent)
    : QObject(parent)
{
    connect(&watcher, &QFutureWatcher<QImage>::finished, this, &PreviewRenderer::finish);
}

PreviewRenderer::~PreviewRenderer()
{
    watcher.waitForFinished();
}

void PreviewRenderer::render(const PreviewRequest &request)
{
    if (running)
        pending = request;
    else
        start(request);
}

bool PreviewRenderer::isBusy() const
{
    return running;
}

void PreviewRenderer::start(const PreviewRequest &request)
{
    running = true;
    runningPath = request.photoPath;
    watcher.setFuture(QtConcurrent::run(
            workPool(), [request, source = source] { return renderPreview(request, *source); }));
}

void PreviewRenderer::finish()
{
    const QString path = runningPath;
    const QImage picture = watcher.result();
    running = false;
    if (pending)
        start(*std::exchange(pending, std::nullopt));
    emit rendered(path, picture);
}
