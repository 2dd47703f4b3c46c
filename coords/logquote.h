#ifndef LOGQUOTE_H
#define LOGQUOTE_H

#include <QString>

// Longest piece of user text (a line, a field, a service's reply) that a log
// line repeats; a 50 MB line would otherwise be copied whole into the log.
inline constexpr int maxQuotedChars = 200;

// `text` as a log line quotes it: cut to maxQuotedChars with "…" after it.
QString quotedForLog(const QString &text);

#endif // LOGQUOTE_H
