#ifndef PHOTOPROCESSOR_H
#define PHOTOPROCESSOR_H

#include "processing/batchoutcome.h"
#include "stamping/processingoptions.h"

#include <QObject>
#include <QStringList>

#include <atomic>
#include <functional>

struct BatchContext;

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
    // Bytes of decoded pixels the photos under way may hold at once;
    // defaultPixelBudgetBytes unless set.
    void setPixelBudget(qint64 bytes);

    // Processes every photo of `folder` in parallel and blocks until done,
    // holding the lock of every folder it writes in. `log` must be set; `progress` may be empty.
    // A batch that may not start (see batchStartProblem, or a GPS track that
    // cannot be used) touches no photo and says why in its outcome.
    BatchOutcome renamePhotosWithUTM(const QString &folder,
                                     const std::function<void(const QString &)> &log,
                                     const std::function<void(int, int)> &progress);

private:
    ProcessingOptions options;
    const std::atomic<bool> *stop = nullptr;
    qint64 pixelBudgetBytes;
};

// Why a batch over `folder` with `options` may not start: a prefix that
// would move photos out of their folder, or another batch working in a
// folder it would write in (see FolderLock). Empty when it may start. Callers ask before a run; the
// run itself checks again.
QString batchStartProblem(const QString &folder, const ProcessingOptions &options);

// Fills what the photos of a batch share, by its options: the logo, the rows
// of the coordinates file or the GPS track, and the custom font's family.
// Failures are logged. Returns why the batch may not run (a track that
// cannot be used); empty otherwise.
QString loadBatchResources(BatchContext &context);

#endif // PHOTOPROCESSOR_H
