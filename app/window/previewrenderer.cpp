#include "app/window/previewrenderer.h"

#include "processing/workpool.h"

#include <QtConcurrent/QtConcurrentRun>

#include <utility>

PreviewRenderer::PreviewRenderer(QObject *parent)
    : QObject(parent)
{
    connect(&watcher, &QFutureWatcherBase::finished, this, &PreviewRenderer::finish);
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
    watcher.setFuture(QtConcurrent::run(workPool(), [request, source = source] {
        QImage picture = renderPreview(request, *source);
        return std::make_pair(std::move(picture), previewNote(request, *source));
    }));
}

void PreviewRenderer::finish()
{
    const QString path = runningPath;
    const auto [picture, note] = watcher.result();
    running = false;
    if (pending)
        start(*std::exchange(pending, std::nullopt));
    emit rendered(path, picture, note);
}
