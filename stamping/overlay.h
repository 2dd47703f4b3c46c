#ifndef OVERLAY_H
#define OVERLAY_H

#include "coords/callbacks.h"
#include "stamping/photostamp.h"
#include "stamping/processingoptions.h"

#include <QImage>
#include <QList>
#include <QRect>

// Stamps logo, text blocks and compass rose on `image`, in that order, with
// one antialiased painter. `logo` may be null; `fontFamily` empty means the
// system sans-serif font. The compass rose line goes straight to `log`.
// Returns areas of `image` outside which no pixel was painted.
QList<QRect> drawOverlays(QImage &image, const ProcessingOptions &options, const QImage &logo,
                          const QString &fontFamily, const PhotoStamp &photo,
                          const LogCallback &log);

// The same stamps on `image` showing the photo reduced from `photoSize`: laid
// out as on the photo and painted shrunk, so they look as on the saved photo
// scaled down to `image`.
QList<QRect> drawReducedOverlays(QImage &image, const QSize &photoSize,
                                 const ProcessingOptions &options, const QImage &logo,
                                 const QString &fontFamily, const PhotoStamp &photo,
                                 const LogCallback &log);

#endif // OVERLAY_H
