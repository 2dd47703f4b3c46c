#ifndef ALTITUDEFILLTOOL_H
#define ALTITUDEFILLTOOL_H

#include "app/window/windowtool.h"
#include "coords/altitudefill.h"

class GeneralTab;

// "Rellenar altitud" of the General tab: the altitudes of the coordinates
// file asked of the elevation service chosen in the settings, as a job.
class AltitudeFillTool : public WindowTool
{
    Q_OBJECT

public:
    // `provider` and `apiKey` are the window's stored settings, read at each start.
    AltitudeFillTool(const ToolHost &host, GeneralTab &tab, const QString &provider,
                     const QString &apiKey);

    // Points the fill at another elevation server and pace; there is no
    // control for it, the default is each provider's public service.
    void setService(const ElevationService &replacement);

public slots:
    void start();

private:
    void finish(const AltitudeFillOutcome &outcome, const QString &failure);

    GeneralTab &tab;
    const QString &provider;
    const QString &apiKey;
    ElevationService service;
};

#endif // ALTITUDEFILLTOOL_H
