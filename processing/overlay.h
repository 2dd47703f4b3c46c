#ifndef OVERLAY_H
#define OVERLAY_H

#include "coords/callbacks.h"
#include "processing/photostamp.h"
#include "processing/processingoptions.h"

#include <QImage>

// Stamps logo, text blocks and compass rose on `image`, in that order, with
// one antialiased painter. `logo` may be null; `fontFamily` empty means the
// system sans-serif font. The compass rose line goes straight to `log`.
void drawOverlays(QImage &image, const ProcessingOptions &options, const QImage &logo,
                  const QString &fontFamily, const PhotoStamp &photo, const LogCallback &log);

#endif // OVERLAY_H
