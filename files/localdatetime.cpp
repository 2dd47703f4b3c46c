#include "files/localdatetime.h"

QDateTime localDateTime(const QDate &date, const QTime &time)
{
    const QDateTime local(date, time);
    if (local.isValid() || !date.isValid() || !time.isValid())
        return local;
    const QDateTime readingAsUtc(date, time, Qt::UTC);
    const int offsetBeforeGap = readingAsUtc.addDays(-1).toLocalTime().offsetFromUtc();
    return readingAsUtc.addSecs(-offsetBeforeGap).toLocalTime();
}
