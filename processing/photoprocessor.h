#ifndef PHOTOPROCESSOR_H
#define PHOTOPROCESSOR_H

#include "processing/processingoptions.h"

#include <QObject>

#include <atomic>
#include <functional>

// What became of a batch's photos.
struct BatchOutcome
{
    int total = 0; // photos collected
    int done = 0; // photos that went through the pipeline, failed ones included
    int failed = 0; // photos the pipeline could not save
    bool stopped() const { return done < total; }
};

// The processing engine: runs one batch over a folder with a fixed copy of
// the options. Holds nothing else, so several processors may run at once.
class PhotoProcessor : public QObject
{
    Q_OBJECT

public:
    explicit PhotoProcessor(const ProcessingOptions &options);

    // Once `stop` is set, photos not yet started are skipped; photos under
    // way finish. Read from any thread, so a signal handler may set it.
    void setStopFlag(const std::atomic<bool> *stop);

    // Processes every photo of `folder` in parallel and blocks until done.
    // `log` must be set; `progress` may be empty.
    BatchOutcome renamePhotosWithUTM(const QString &folder,
                                     const std::function<void(const QString &)> &log,
                                     const std::function<void(int, int)> &progress);

private:
    ProcessingOptions options;
    const std::atomic<bool> *stop = nullptr;
};

#endif // PHOTOPROCESSOR_H
