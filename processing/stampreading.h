#ifndef STAMPREADING_H
#define STAMPREADING_H

#include "files/photofile.h"
#include "metadata/metadatacopy.h"
#include "metadata/stampmarker.h"
#include "processing/batchcontext.h"
#include "stamping/photostamp.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

// What a run reads of one photo before it changes anything: the copy of its
// metadata, its capture time, its position and the name after it. The
// per-photo pipeline goes on from here to place, stamp and save the photo;
// the preview stops here.
struct PhotoReading
{
    PhotoReading(const BatchContext &context, const QString &photoPath);

    const BatchContext &context;
    const ProcessingOptions &options;
    const QString photoPath; // as collected
    const QString fileName;
    // Its bytes, read once: every step takes them from here.
    PhotoFile source;
    QStringList lines; // the photo's log lines
    PhotoMetadata metadata;
    PhotoStamp stamp;
    bool hasGps = false; // latitude and longitude read from EXIF or the track
    double latitude = 0.0;
    double longitude = 0.0;
    PositionOutcome positionOutcome = PositionOutcome::Found;
    QDateTime trackInstant; // track mode: the capture instant used, at its zone's offset
    std::optional<qint64> captureUtcMs; // track mode: the same instant, when there was one
    std::optional<StampMarker> earlierMarker; // left by an earlier run
    QString transformation; // with a chosen system: the one this photo went through
    bool outsideArea = false; // with a chosen system: the place lies outside its area of use
};

// Copies the photo's metadata from its bytes, and the marker of an earlier
// run. Returns false when Exiv2 failed, so the capture time is not read
// either.
bool copyOriginalMetadata(PhotoReading &run);

// Everything the stamps take from the photo, read once: capture time,
// position and the name after it. False when the photo is left unstamped
// (no position, or one that cannot be named).
bool readStamp(PhotoReading &run, bool metadataRead);

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
    bool withoutGps = false; // EXIF mode: the photo has no GPS position
    bool withoutRow = false; // coordinates-file mode: no row names the photo
};
StampReading readStampValues(const BatchContext &context, const QString &photoPath,
                             const PhotoFile &photo);
StampReading readStampValues(const BatchContext &context, const QString &photoPath);

#endif // STAMPREADING_H
