#ifndef PROCESSPHOTO_H
#define PROCESSPHOTO_H

#include "processing/batchcontext.h"

#include <QString>

// Runs one photo of a batch through placement, metadata, position, naming,
// loading, stamping and saving. Everything it reports goes into the photo's
// own slot of `context.photoLogs`; nothing escapes it, not even an exception,
// and it always counts the photo as done. A photo an earlier run stamped is
// left alone unless the options ask to stamp it again. `index` is the photo's
// place in the batch's collection: photos that take one name are numbered in
// that order.
void processPhoto(BatchContext &context, int index, const QString &photoPath);

#endif // PROCESSPHOTO_H
