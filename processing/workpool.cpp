#include "processing/workpool.h"

#include <QCoreApplication>
#include <QThreadPool>

// Ends the pool's threads while the application still exists, as Qt does
// for its global pool: their per-thread font and image caches are cleared
// with the application and would otherwise leak.
static void endWorkThreads()
{
    workPool()->waitForDone();
}

QThreadPool *workPool()
{
    static QThreadPool pool;
    static const bool endsWithApplication = (qAddPostRoutine(endWorkThreads), true);
    Q_UNUSED(endsWithApplication)
    return &pool;
}
