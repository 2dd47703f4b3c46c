#include "processing/workpool.h"

#include <QThreadPool>

QThreadPool *workPool()
{
    static QThreadPool pool;
    return &pool;
}
