#include "app/commandline/windowoptions.h"

#include "app/window/photorenamergui.h"

// Every call into the window is here, so a change of the window's insides
// has one place to follow.
std::optional<ProcessingOptions> windowOptions(const QString &profilePath, const QString &logoPath,
                                               QStringList &refusedKeys)
{
    PhotoRenamerGUI window;
    if (!profilePath.isEmpty()
        && !QMetaObject::invokeMethod(&window, "applyProfileFile", Qt::DirectConnection,
                                      Q_RETURN_ARG(QStringList, refusedKeys),
                                      Q_ARG(QString, profilePath)))
        return std::nullopt;
    if (!logoPath.isNull() && !window.setProperty("logoPath", logoPath))
        return std::nullopt;
    return snapshotOptions(window);
}
