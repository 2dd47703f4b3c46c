#ifndef ALTITUDEFILLJOB_H
#define ALTITUDEFILLJOB_H

#include "coords/altitudefill.h"
#include "coords/callbacks.h"

#include <QString>

#include <atomic>
#include <memory>

// One altitude fill as the window starts it: a copy of the inputs taken on
// the GUI thread, so the worker never reads the window.
struct AltitudeFillJob
{
    QString csvPath;
    QString provider;
    QString apiKey; // empty unless the provider needs one
    bool overwrite = true;
    ElevationService service;
    // The coordinates file's system; null: WGS 84 / UTM.
    std::shared_ptr<const CrsTransform> crs;
    // Set by "Cancelar" on the fill's dialog, read by the fill.
    std::shared_ptr<std::atomic<bool>> stop = std::make_shared<std::atomic<bool>>(false);
};

// Keeps the stored key only for the provider that uses it, so no other
// service ever sees it.
AltitudeFillJob makeAltitudeFillJob(const QString &csvPath, const QString &provider,
                                    const QString &storedApiKey, bool overwrite,
                                    const ElevationService &service);

// The message that keeps the fill from starting, or an empty text.
QString altitudeFillJobProblem(const AltitudeFillJob &job);

// Blocks until the file is filled and saved; meant for a worker thread.
AltitudeFillOutcome runAltitudeFillJob(const AltitudeFillJob &job, const LogCallback &log,
                                       const ProgressCallback &progress);

// How a fill ended, in the words the window's box and the command line use:
// the title, and a text that says the file changed only when it did.
QString altitudeFillEndTitle(const AltitudeFillOutcome &outcome);
QString altitudeFillEndText(const AltitudeFillOutcome &outcome);

#endif // ALTITUDEFILLJOB_H
