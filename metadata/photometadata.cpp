#include "metadata/photometadata.h"

void PhotoMetadata::clear()
{
    exif.clear();
    iptc.clear();
    xmp.clear();
    xmpUnreadable = false;
    iccProfile.clear();
}
