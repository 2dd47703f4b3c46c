#include "coords/logquote.h"

QString quotedForLog(const QString &text)
{
    if (text.size() <= maxQuotedChars)
        return text;
    // Never half a character outside the Basic Multilingual Plane.
    const int cut
            = text.at(maxQuotedChars - 1).isHighSurrogate() ? maxQuotedChars - 1 : maxQuotedChars;
    return text.left(cut) + QStringLiteral("…");
}
