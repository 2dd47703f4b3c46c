#ifndef OPTIONSSNAPSHOT_H
#define OPTIONSSNAPSHOT_H

#include "stamping/processingoptions.h"

#include <QString>

class PhotoRenamerGUI;

// Every option of the window's option table copied into the record a run
// hands to the engine. Taken on the GUI thread at the click; the run never reads a
// widget afterwards.
ProcessingOptions snapshotOptions(const PhotoRenamerGUI &window);

// The preview's variant of a run's options: the photo keeps its name and
// place, nothing is backed up or written elsewhere, the coordinates file
// named in its field is passed in both modes, and its rows never replace the
// photo's metadata.
ProcessingOptions previewOptions(ProcessingOptions runOptions, const QString &coordinatesFileField);

#endif // OPTIONSSNAPSHOT_H
