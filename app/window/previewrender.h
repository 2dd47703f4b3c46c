#ifndef PREVIEWRENDER_H
#define PREVIEWRENDER_H

#include "image/photoloader.h"
#include "processing/stampreading.h"
#include "stamping/processingoptions.h"

#include <QImage>
#include <QSize>
#include <QString>

// One photo to show with one set of options, in a label of `labelSize`.
struct PreviewRequest
{
    QString photoPath;
    ProcessingOptions options; // the preview's variant of a run's options
    QSize labelSize;
};

// What the preview keeps of the shown photo between renders, so that an
// option change only stamps again: the decoded picture and what the stamps
// read from the photo, each with the key of what it was made from.
struct PreviewSource
{
    QString pictureKey;
    ReducedPhoto photo;
    QString readingKey;
    QImage logo;
    QString fontFamily;
    StampReading reading;
};

// The photo of `request` stamped as a run with its options stamps it, at the
// reduced size the label needs; a null image when it cannot be decoded. A
// photo that a run leaves unstamped is shown as it is. Decodes and reads the
// photo only when `source` does not hold it yet; writes no file.
QImage renderPreview(const PreviewRequest &request, PreviewSource &source);

// The note shown under the photo after `renderPreview`, when the preview
// alone would mislead: "Ya estampada" when a run with these options leaves it
// alone as stamped by an earlier run (in every mode); in EXIF mode, a photo
// without GPS and what a run does with it; in coordinates-file mode, no file
// chosen or no row for the photo. Empty otherwise.
QString previewNote(const PreviewRequest &request, const PreviewSource &source);

#endif // PREVIEWRENDER_H
