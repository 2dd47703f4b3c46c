#include "app/optionssnapshot.h"

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
