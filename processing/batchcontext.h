#ifndef BATCHCONTEXT_H
#define BATCHCONTEXT_H

#include "coords/callbacks.h"
#include "coords/coordinaterecord.h"
#include "coords/trackpositioning.h"
#include "exports/locationrecord.h"
#include "geo/crs.h"
#include "image/pixelbudget.h"
#include "processing/nameorder.h"
#include "stamping/processingoptions.h"

#include <QDateTime>
#include <QImage>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

// Where a photo's position came from, as far as the batch's end report cares.
enum class PositionOutcome : char {
    Found, // its own, or it was not processed for another reason
    Fixed, // saved at the fixed position: it has none of its own
    Missing // left untouched: no position was found
};

// How one photo of a batch ended, for the batch's closing lines.
struct PhotoEnd
{
    QString path; // as collected; empty for a photo that never started
    PositionOutcome position = PositionOutcome::Found;
    std::optional<qint64> captureUtcMs; // track mode: the instant it was placed by, if any
    bool outsideArea = false; // saved at a place outside the chosen system's area of use
};

// What the photos of one batch share. Filled before the photos start and read
// only while they run, except for the three counters (atomic), the pixel
// budget and the name order (locked), and `photoLogs`, `locations`, `stampedSkips` and
// `photoEnds`, where each photo writes only the slot it took from
// `startedCount`.
struct BatchContext
{
    BatchContext(const ProcessingOptions &options, const QString &folder, const LogCallback &log,
                 const ProgressCallback &progress)
        : options(options)
        , folder(folder)
        , log(log)
        , progress(progress)
    { }

    std::atomic<int> startedCount {0};
    const ProcessingOptions &options;
    const QString folder; // the batch folder exactly as passed in
    CoordinateMap coordinates; // empty when no coordinates file was read
    TrackPositioning track; // read only when positions come from a GPS track
    QImage logo; // null when there is none
    QString fontFamily; // empty: the system font
    std::shared_ptr<const CrsTransform> crs; // null: WGS 84 / UTM by each photo's zone
    const LogCallback log;
    std::atomic<int> doneCount {0};
    std::atomic<int> failedCount {0}; // photos that were not saved
    const ProgressCallback progress; // may be empty
    int total = 0;
    std::vector<QStringList> photoLogs; // `total` slots, sized before the run
    // With `exportLocations`, `total` slots like `photoLogs`: each located
    // and saved photo fills its own; otherwise empty.
    std::vector<std::optional<LocationRecord>> locations;
    // `total` slots: the photo's path when it was left alone as already stamped.
    std::vector<QString> stampedSkips;
    const QDateTime startedAt = QDateTime::currentDateTime(); // goes into every stamp marker
    mutable PixelBudget pixelBudget; // decoded pixels of the photos under way
    mutable NameOrder names; // `total` photos, by their place in the collection
    std::vector<PhotoEnd> photoEnds; // `total` slots
    // With `crs`, `total` slots: the transformation each photo went through.
    std::vector<QString> transformations;
};

#endif // BATCHCONTEXT_H
