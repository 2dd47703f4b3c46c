#include "app/optionssnapshot.h"

#include "app/window/photorenamergui.h"

ProcessingOptions snapshotOptions(const PhotoRenamerGUI &window)
{
    return optionsFrom(window.optionTable);
}

ProcessingOptions previewOptions(ProcessingOptions runOptions, const QString &coordinatesFileField)
{
    runOptions.csvPath = coordinatesFileField;
    runOptions.renamePhotos = false;
    runOptions.usePrefix = false;
    runOptions.prefix.clear();
    runOptions.includeSubdirectories = false;
    runOptions.embedCsvInExif = false;
    runOptions.makeBackup = false;
    runOptions.useOutputFolder = false;
    runOptions.outputFolder.clear();
    runOptions.exportLocations = false;
    return runOptions;
}
