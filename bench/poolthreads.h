#ifndef POOLTHREADS_H
#define POOLTHREADS_H

#include "processing/workpool.h"

#include <QThreadPool>

// Limits both the photos' pool and the one Qt scales images on, so that "one
// thread" means one thread.
inline void setPoolThreads(int count)
{
    workPool()->setMaxThreadCount(count);
    QThreadPool::globalInstance()->setMaxThreadCount(count);
}

#endif // POOLTHREADS_H
