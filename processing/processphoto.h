#ifndef PROCESSPHOTO_H
#define PROCESSPHOTO_H

#include "files/photofile.h"
#include "processing/batchcontext.h"
#include "stamping/photostamp.h"

#include <QString>

// Runs one photo of a batch through placement, metadata, position, naming,
// loading, stamping and saving. Everything it reports goes into the photo's
// own slot of `context.photoLogs`; nothing escapes it, not even an exception,
// and it always counts the photo as done. A photo an earlier run stamped is
// left alone unless the options ask to stamp it again.
void processPhoto(BatchContext &context, const QString &photoPath);

// What the stamps of one photo need, read exactly as `processPhoto` reads it:
// capture time, position, direction and altitude, with the same fallbacks.
// Not `positioned` when the batch leaves the photo unstamped (no row for it in
// the coordinates file). Read from `photo`, the bytes of the photo at
// `photoPath`, or else with one open of it.
struct StampReading
{
    PhotoStamp stamp;
    bool positioned = false;
    bool alreadyStamped = false; // carries the marker of an earlier run
};
StampReading readStampValues(const BatchContext &context, const QString &photoPath,
                             const PhotoFile &photo);
StampReading readStampValues(const BatchContext &context, const QString &photoPath);

#endif // PROCESSPHOTO_H
