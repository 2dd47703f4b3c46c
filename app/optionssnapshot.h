#ifndef OPTIONSSNAPSHOT_H
#define OPTIONSSNAPSHOT_H

#include "stamping/processingoptions.h"

#include <QString>

// The preview's variant of a run's options: the photo keeps its name and
// place, nothing is backed up or written elsewhere, the coordinates file
// named in its field is passed in both modes, and its rows never replace the
// photo's metadata.
ProcessingOptions previewOptions(ProcessingOptions runOptions, const QString &coordinatesFileField);

#endif // OPTIONSSNAPSHOT_H
