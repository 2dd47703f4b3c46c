#ifndef SAMPLEFILETOOL_H
#define SAMPLEFILETOOL_H

#include "app/window/windowtool.h"

class GeneralTab;
struct TrackPositioning;

// "Crear archivo de ejemplo" of the General tab: a coordinates file listing
// the window's photos, written at once (no job) and then named in the tab's
// coordinates file field.
class SampleFileTool : public WindowTool
{
    Q_OBJECT

public:
    SampleFileTool(const ToolHost &host, GeneralTab &tab);

public slots:
    void start();

private:
    bool prepareSampleTrack(const ProcessingOptions &options, TrackPositioning &positioning);

    GeneralTab &tab;
};

#endif // SAMPLEFILETOOL_H
