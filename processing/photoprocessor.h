#ifndef PHOTOPROCESSOR_H
#define PHOTOPROCESSOR_H

#include "processing/processingoptions.h"

#include <QObject>

#include <functional>

struct BatchContext;

// The processing engine: runs one batch over a folder with a fixed copy of
// the options. Holds nothing else, so several processors may run at once.
class PhotoProcessor : public QObject
{
    Q_OBJECT

public:
    explicit PhotoProcessor(const ProcessingOptions &options);

    // Processes every photo of `folder` in parallel and blocks until done.
    // `log` must be set; `progress` may be empty.
    void renamePhotosWithUTM(const QString &folder, const std::function<void(const QString &)> &log,
                             const std::function<void(int, int)> &progress);

private:
    ProcessingOptions options;
};

// Fills what the photos of a batch share, by its options: the logo, the rows
// of the coordinates file and the custom font's family. Failures are logged.
void loadBatchResources(BatchContext &context);

#endif // PHOTOPROCESSOR_H
