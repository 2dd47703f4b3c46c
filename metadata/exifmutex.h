#ifndef EXIFMUTEX_H
#define EXIFMUTEX_H

#include <QMutex>

// Serialises every pass that opens a file through Exiv2 to copy or store
// metadata, and the capture-time reader. Not recursive.
extern QMutex exifMutex;

#endif // EXIFMUTEX_H
