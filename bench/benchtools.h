#ifndef BENCHTOOLS_H
#define BENCHTOOLS_H

#include "image/pixelbudget.h"
#include "stamping/processingoptions.h"

#include <QString>
#include <QStringList>

// What the benchmarks of the batch and the report share.

// The JPEG quality of the batch the benchmarks run.
inline constexpr int jpegQuality = 90;

// Peak resident memory since the last reset, in megabytes (Linux).
long peakResidentMegabytes();
void resetPeakResident();

// `count` generated photos of `width` × `height` pixels in `folder`, a few
// metres apart, each facing further round and a minute later.
QStringList generatePhotos(const QString &folder, int count, int width, int height,
                           bool fullChroma = false);

// A new copy of `photos` in `folder`, which is emptied first.
QString freshCopy(const QStringList &photos, const QString &folder);

// One timed batch on a fresh copy of `photos` in `folder`.
struct BatchTiming
{
    double seconds = 0.0; // the whole batch
    long peakMegabytes = 0;
    double processorSeconds = 0.0; // all threads summed
    // Opens of photo files in `folder` itself (the photos, under their old or
    // new names; not their backups) and bytes read by the whole process, each
    // divided by the number of photos.
    double opensPerPhoto = 0.0;
    double bytesReadPerPhoto = 0.0;
};
BatchTiming timeBatch(const QStringList &photos, const QString &folder,
                      const ProcessingOptions &options,
                      qint64 pixelBudgetBytes = defaultPixelBudgetBytes);

// A batch that renames, backs up and stamps every overlay and the logo.
ProcessingOptions everyOverlay(const QString &logoPath);

// A half-transparent 400 × 100 logo written into `folder`; its path.
QString writeBenchLogo(const QString &folder);

// The number after `name` in the arguments, `fallback` when it is absent.
int argumentValue(const QStringList &arguments, const QString &name, int fallback);

// The folder after "--work", else `temporary`'s.
QString workFolder(const QStringList &arguments, const QString &temporary);

#endif // BENCHTOOLS_H
