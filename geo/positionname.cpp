#include "geo/positionname.h"

QString utmName(const UtmPosition &position)
{
    return QStringLiteral("%1%2 %3 %4")
            .arg(QString::number(position.zone), QString(QLatin1Char(position.letter)),
                 QString::number(position.easting, 'f', 0),
                 QString::number(position.northing, 'f', 0));
}

QString crsName(const UtmPosition &position, const CrsTransform &crs)
{
    if (crs.utmZone())
        return utmName(position);
    return QStringLiteral("EPSG%1 %2 %3")
            .arg(QString::number(crs.entry().epsg), QString::number(position.easting, 'f', 0),
                 QString::number(position.northing, 'f', 0));
}

QString positionSystemName(const UtmPosition &position, const CrsTransform *crs)
{
    if (crs)
        return crs->shortName();
    return QStringLiteral("WGS 84 / UTM %1%2")
            .arg(QString::number(position.zone), QString(QLatin1Char(position.letter)));
}
