#ifndef TIMEZONENAMES_H
#define TIMEZONENAMES_H

#include <QString>
#include <QStringList>

// Whether `id` names a time zone by its IANA id ("America/Santiago"), one of
// Qt's UTC offsets ("UTC-03:00") or this computer's own zone. Qt also takes
// a bare word such as "Santiago" as a POSIX rule for UTC, which is never
// what was meant.
bool isKnownTimeZoneId(const QString &id);

// Up to three known ids closest to a mistyped one: those whose last part is
// the text (case and spaces aside), else those that contain it, else those
// whose last part is fewest letters away.
QStringList closestTimeZoneIds(const QString &text);

#endif // TIMEZONENAMES_H
