#include "metadata/exiv2image.h"

#include "metadata/nativepath.h"

Exiv2ImagePtr openImageFile(const QString &path)
{
    Exiv2ImagePtr image = Exiv2::ImageFactory::open(qPathToNativeStdString(path), true);
    if (image.get())
        image->readMetadata();
    return image;
}
