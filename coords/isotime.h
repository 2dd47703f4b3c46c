#ifndef ISOTIME_H
#define ISOTIME_H

#include <QStringView>
#include <QtGlobal>

// An ISO 8601 date-time "yyyy-MM-ddTHH:mm:ss", optional fractional seconds
// (kept to the millisecond), then "Z", an offset "+HH:MM" / "-HHMM", or
// nothing (read as UTC), as milliseconds since 1970-01-01T00:00:00Z. False
// for anything else, impossible dates included.
bool parseIsoInstant(QStringView text, qint64 &utcMs);

// A UTC offset "+HH:MM" or "-HHMM" as seconds east of UTC.
bool parseUtcOffset(QStringView text, int &offsetSeconds);

#endif // ISOTIME_H
