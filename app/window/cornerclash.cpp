#include "app/window/cornerclash.h"

#include <QCoreApplication>

// Only what a run draws counts: a text switched off or a logo not embedded
// takes no room in its corner.
static bool textInCorner(const ProcessingOptions &options, const QString &corner)
{
    if (!options.drawData)
        return false;
    return options.dtPosition == corner || options.coordsPosition == corner
            || (options.drawOrientation && options.orientationPosition == corner)
            || (options.drawAltitude && options.altitudePosition == corner);
}

CornerClash cornerClash(const ProcessingOptions &options)
{
    CornerClash clash;
    if (!options.addCompass)
        return clash;
    const QString &rose = options.compassPosition;
    if (textInCorner(options, rose))
        clash.withText = QCoreApplication::translate(
                "CornerClash", "La rosa y el texto están en la misma esquina y se superpondrán.");
    if (!options.logoPath.isEmpty() && options.logoPosition == rose)
        clash.withLogo = QCoreApplication::translate(
                "CornerClash", "La rosa y el logo están en la misma esquina y se superpondrán.");
    return clash;
}
