#include "coords/isotime.h"

// Parsed by hand: a million track points through QDateTime::fromString would
// cost more than reading their XML.

// Reads `count` decimal digits at `pos`; false when any is not a digit.
static bool readDigits(QStringView text, qsizetype &pos, int count, int &value)
{
    if (pos + count > text.size())
        return false;
    value = 0;
    for (int i = 0; i < count; ++i) {
        const char16_t c = text[pos + i].unicode();
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c - u'0');
    }
    pos += count;
    return true;
}

static bool expect(QStringView text, qsizetype &pos, char16_t wanted)
{
    if (pos >= text.size() || text[pos].unicode() != wanted)
        return false;
    ++pos;
    return true;
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
static qint64 daysFromCivil(int year, int month, int day)
{
    year -= month <= 2;
    const qint64 era = (year >= 0 ? year : year - 399) / 400;
    const int yearOfEra = int(year - era * 400);
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

static int daysInMonth(int year, int month)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// Fractional seconds after the point, as milliseconds (further digits are
// cut, so 12.3456 is 345 ms).
static bool readFraction(QStringView text, qsizetype &pos, int &milliseconds)
{
    milliseconds = 0;
    if (!expect(text, pos, u'.'))
        return true;
    int digits = 0;
    int scale = 100;
    // Only ASCII digits: other scripts' digits would count as other values.
    for (; pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9'; ++pos, ++digits) {
        milliseconds += (text[pos].unicode() - u'0') * scale;
        scale /= 10;
    }
    return digits > 0;
}

// "+HH:MM" or "-HHMM" as seconds east of UTC.
static bool readOffset(QStringView text, qsizetype &pos, int &offsetSeconds)
{
    if (pos >= text.size())
        return false;
    const char16_t sign = text[pos].unicode();
    if (sign != u'+' && sign != u'-')
        return false;
    ++pos;
    int hours = 0;
    int minutes = 0;
    if (!readDigits(text, pos, 2, hours))
        return false;
    expect(text, pos, u':');
    if (!readDigits(text, pos, 2, minutes) || hours > 23 || minutes > 59)
        return false;
    offsetSeconds = (sign == u'-' ? -1 : 1) * (hours * 3600 + minutes * 60);
    return true;
}

// "Z", an offset or nothing (UTC).
static bool readZone(QStringView text, qsizetype &pos, int &offsetSeconds)
{
    offsetSeconds = 0;
    if (pos == text.size() || expect(text, pos, u'Z') || expect(text, pos, u'z'))
        return true;
    return readOffset(text, pos, offsetSeconds);
}

bool parseIsoInstant(QStringView text, qint64 &utcMs)
{
    qsizetype pos = 0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, milliseconds = 0;
    int offsetSeconds = 0;
    if (!readDigits(text, pos, 4, year) || !expect(text, pos, u'-')
        || !readDigits(text, pos, 2, month) || !expect(text, pos, u'-')
        || !readDigits(text, pos, 2, day))
        return false;
    if (!expect(text, pos, u'T') && !expect(text, pos, u't') && !expect(text, pos, u' '))
        return false;
    if (!readDigits(text, pos, 2, hour) || !expect(text, pos, u':')
        || !readDigits(text, pos, 2, minute) || !expect(text, pos, u':')
        || !readDigits(text, pos, 2, second) || !readFraction(text, pos, milliseconds)
        || !readZone(text, pos, offsetSeconds) || pos != text.size())
        return false;
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23
        || minute > 59 || second > 59)
        return false;
    const qint64 seconds = daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60
            + second - offsetSeconds;
    utcMs = seconds * 1000 + milliseconds;
    return true;
}

bool parseUtcOffset(QStringView text, int &offsetSeconds)
{
    qsizetype pos = 0;
    return readOffset(text, pos, offsetSeconds) && pos == text.size();
}
