#ifndef PREVIEWRENDER_H
#define PREVIEWRENDER_H

#include "processing/processingoptions.h"

#include <QImage>
#include <QString>

struct PreviewRender
{
    enum class Outcome { Rendered, NoTemporaryFolder, CopyFailed, NotAPicture };
    Outcome outcome = Outcome::Rendered;
    QImage picture; // the stamped photo at full size when rendered
};

// Stamps a copy of `photoPath` in a temporary folder of its own, exactly as a
// run with `options` would, and loads the result. The photo itself and its
// folder are never touched; the temporary folder is gone when this returns.
PreviewRender renderPreview(const QString &photoPath, const ProcessingOptions &options);

#endif // PREVIEWRENDER_H
