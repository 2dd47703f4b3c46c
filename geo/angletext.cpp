#include "geo/angletext.h"

#include "geo/numbers.h"

#include <QStringList>

#include <cmath>

QString formatDms(double angle, const QString &positive, const QString &negative)
{
    const double value = std::fabs(angle);
    const long long degrees = truncToInteger(value);
    const double fraction = value - static_cast<double>(degrees);
    const long long minutes = truncToInteger(fraction * 60.0);
    const long long seconds
            = roundHalfAwayFromZero((fraction - static_cast<double>(minutes) / 60.0) * 3600.0);
    return QStringLiteral("%1° %2' %3\" %4")
            .arg(degrees)
            .arg(minutes)
            .arg(seconds)
            .arg(angle >= 0 ? positive : negative);
}

QString formatLatLonDms(double latitude, double longitude)
{
    return QStringLiteral("%1 %2").arg(
            formatDms(latitude, QStringLiteral("N"), QStringLiteral("S")),
            formatDms(longitude, QStringLiteral("E"), QStringLiteral("W")));
}

QString compassPointName(double direction)
{
    static const QStringList points
            = {QStringLiteral("N"),   QStringLiteral("NNE"), QStringLiteral("NE"),
               QStringLiteral("ENE"), QStringLiteral("E"),   QStringLiteral("ESE"),
               QStringLiteral("SE"),  QStringLiteral("SSE"), QStringLiteral("S"),
               QStringLiteral("SSW"), QStringLiteral("SW"),  QStringLiteral("WSW"),
               QStringLiteral("W"),   QStringLiteral("WNW"), QStringLiteral("NW"),
               QStringLiteral("NNW")};
    // The remainder follows the sign of the index; a negative one names the
    // point that many steps back from north.
    long long index = roundHalfAwayFromZero(direction / 22.5) % 16;
    if (index < 0)
        index += 16;
    return points.at(static_cast<int>(index));
}
