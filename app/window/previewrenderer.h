#ifndef PREVIEWRENDERER_H
#define PREVIEWRENDERER_H

#include "app/window/previewrender.h"

#include <QFutureWatcher>
#include <QImage>
#include <QObject>

#include <memory>
#include <optional>
#include <utility>

// Renders the preview on the work pool, one request at a time. A request made
// while a render runs waits, replacing any request waiting before it, so a
// burst of changes costs at most two renders and the last one always shows.
// The decoded photo and its readings are kept while the photo stays the same.
class PreviewRenderer : public QObject
{
    Q_OBJECT

public:
    explicit PreviewRenderer(QObject *parent = nullptr);
    // Waits for the running render, which reads the photo.
    ~PreviewRenderer() override;

    void render(const PreviewRequest &request);
    // A render runs, or its result has not been sent yet.
    bool isBusy() const;

signals:
    // A finished render of `photoPath`; `picture` is null when the photo
    // cannot be decoded; `note` goes under it (see previewNote). Also sent for
    // a render that a newer request follows.
    void rendered(const QString &photoPath, const QImage &picture, const QString &note);

private:
    void start(const PreviewRequest &request);
    void finish();

    // Touched by the running render only; the GUI thread just hands it on.
    std::shared_ptr<PreviewSource> source = std::make_shared<PreviewSource>();
    QFutureWatcher<std::pair<QImage, QString>> watcher; // picture and note
    bool running = false; // until its result is sent
    QString runningPath;
    std::optional<PreviewRequest> pending;
};

#endif // PREVIEWRENDERER_H
