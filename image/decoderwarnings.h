#ifndef DECODERWARNINGS_H
#define DECODERWARNINGS_H

#include <QString>

// Collects, while it lives, the warnings that Qt's JPEG decoder passes on
// from libjpeg ("Corrupt JPEG data: premature end of data segment" and the
// like) on the calling thread only, since photos decode in parallel. Every
// other message, and those of other threads, goes to the handler installed
// before. The decoder's warnings are kept on even where logging rules turn
// them off, so that no configuration hides a damaged photo.
class JpegWarningCapture
{
public:
    JpegWarningCapture();
    ~JpegWarningCapture();
    JpegWarningCapture(const JpegWarningCapture &) = delete;
    JpegWarningCapture &operator=(const JpegWarningCapture &) = delete;

    // The first warning caught so far; empty when there was none.
    QString firstWarning() const { return first; }

private:
    QString first;
    QString *outer;
};

#endif // DECODERWARNINGS_H
