#ifndef EXIV2IMAGE_H
#define EXIV2IMAGE_H

#include "metadata/exiv2compat.h"

#include <QString>

// Opens the file at `path` through Exiv2 (by its native path) and reads its
// metadata. Null when Exiv2 gives no image object; Exiv2's errors pass on.
Exiv2ImagePtr openImageFile(const QString &path);

#endif // EXIV2IMAGE_H
