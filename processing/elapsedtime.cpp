#include "processing/elapsedtime.h"

static QString twoDigits(qint64 value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

QString formatElapsedTime(qint64 milliseconds)
{
    const qint64 hours = milliseconds / 3600000;
    const qint64 minutes = (milliseconds - hours * 3600000) / 60000;
    const qint64 seconds = (milliseconds - (milliseconds / 60000) * 60000) / 1000;
    if (hours >= 1)
        return QStringLiteral("%1h %2m %3s").arg(hours).arg(twoDigits(minutes), twoDigits(seconds));
    if (minutes >= 1)
        return QStringLiteral("%1m %2s").arg(minutes).arg(twoDigits(seconds));
    return QStringLiteral("%1s").arg(seconds);
}
