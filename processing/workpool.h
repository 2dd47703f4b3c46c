#ifndef WORKPOOL_H
#define WORKPOOL_H

class QThreadPool;

// The threads that run the program's long work: batches, their photos and
// the altitude fill. Qt paints and scales images on its global pool and waits
// there; long work queued on that pool would freeze the window until it ended,
// for good on a single-core machine where the pool has one thread.
QThreadPool *workPool();

#endif // WORKPOOL_H
