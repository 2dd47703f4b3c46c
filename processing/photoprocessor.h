#ifndef PHOTOPROCESSOR_H
#define PHOTOPROCESSOR_H

#include "stamping/processingoptions.h"

#include <QObject>
#include <QStringList>

#include <atomic>
#include <functional>

// What became of one batch.
struct BatchOutcome
{
    QString refusal; // why the batch did not start, already logged; empty when it ran
    int total = 0; // photos collected
    int done = 0; // photos that went through the pipeline, failed and skipped ones included
    // Photos the pipeline could not save, those without a position included;
    // photos left alone as already stamped are not failures.
    int failed = 0;
    // Photos (paths) that were not processed as asked, by reason.
    QStringList fixedPosition {}; // stamped and named at the fixed position
    QStringList withoutPosition {}; // left untouched: no position was found
    QStringList alreadyStamped {}; // left untouched: stamped by an earlier run
    QStringList unsupported {}; // files in the folder that are not photos it can read
    QStringList badNames {}; // photos and folders skipped: their names are not valid text
    QStringList outsideArea {}; // saved at a place outside the chosen system's area of use
    bool logoMissing = false; // a logo was asked for and could not be opened
    bool exportFailed = false; // a location file could not be written
    bool stopped() const { return done < total; }
    int processed() const { return done - failed - int(alreadyStamped.size()); }
    int errors() const { return failed - int(withoutPosition.size()); }
};

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
