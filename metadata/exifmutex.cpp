#include "metadata/exifmutex.h"

QMutex exifMutex;
