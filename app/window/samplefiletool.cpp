#include "app/window/samplefiletool.h"

#include "app/window/generaltab.h"
#include "app/window/inputspanel.h"
#include "coords/samplefile.h"
#include "coords/trackpositioning.h"
#include "geo/crs.h"

#include <QFileInfo>

SampleFileTool::SampleFileTool(const ToolHost &host, GeneralTab &tab)
    : WindowTool(host)
    , tab(tab)
{ }

void SampleFileTool::start()
{
    const QString folder = photoFolderFor(tr("crear el archivo de ejemplo"));
    if (folder.isEmpty())
        return;
    const ProcessingOptions options = host.options();
    TrackPositioning positioning;
    std::shared_ptr<const CrsTransform> crs;
    if (!prepareSampleTrack(options, positioning) || !chosenCrs(options.outputCrs, crs))
        return;
    QString path = dialogs().saveFileName(host.window, tr("Guardar Archivo de Ejemplo CSV"),
                                          QStringLiteral("CSV Files (*.csv)"));
    if (path.isEmpty())
        return;
    // The dialog's filter promises a .csv file.
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".csv");
    // In track mode the photos' own direction, altitude and time go with the
    // track's positions.
    writeSampleCoordinatesFile(folder, path, host.inputs->includesSubfolders(),
                               options.useGpxTrack || tab.sampleFromExif(), host.log,
                               options.useGpxTrack ? &positioning : nullptr, crs.get());
    tab.setCoordinatesFile(path);
}

// Reads the track the sample file is placed on, in track mode; says why not
// when it cannot be used.
bool SampleFileTool::prepareSampleTrack(const ProcessingOptions &options,
                                        TrackPositioning &positioning)
{
    QString error = tab.trackInputError();
    if (!options.useGpxTrack
        || (error.isEmpty()
            && prepareTrackPositioning(options.gpxPath, options.cameraTimeZone,
                                       options.clockCorrectionSeconds,
                                       options.maxPointSeparationSeconds, positioning, error)))
        return true;
    log(error);
    dialogs().critical(host.window, tr("Error"), error);
    return false;
}
