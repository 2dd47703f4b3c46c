#ifndef LOCALDATETIME_H
#define LOCALDATETIME_H

#include <QDate>
#include <QDateTime>
#include <QTime>

// A local date-time for a clock reading. Where the local zone skips that
// reading (clocks going forward), it moves on by the length of the gap
// (02:30 becomes 03:30), as the default of later Qt versions does; Qt 6.4
// gives an invalid date-time there, which would lose the reading.
QDateTime localDateTime(const QDate &date, const QTime &time);

#endif // LOCALDATETIME_H
