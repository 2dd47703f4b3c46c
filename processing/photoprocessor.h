#ifndef PHOTOPROCESSOR_H
#define PHOTOPROCESSOR_H

#include "processing/processingoptions.h"

#include <QObject>

#include <functional>

// The processing engine: runs one batch over a folder with a fixed copy of
// the options. Holds nothing else, so several processors may run at once.
class PhotoProcessor : public QObject
{
    Q_OBJECT

public:
    explicit PhotoProcessor(const ProcessingOptions &options);

    // Processes every photo of `folder` in parallel and blocks until done.
    // `log` must be set; `progress` may be empty. Returns why the run was
    // refused before any photo was touched (bad GPS track input, also
    // logged), for a critical box; empty when the photos were processed.
    QString renamePhotosWithUTM(const QString &folder,
                                const std::function<void(const QString &)> &log,
                                const std::function<void(int, int)> &progress);

private:
    ProcessingOptions options;
};

#endif // PHOTOPROCESSOR_H
