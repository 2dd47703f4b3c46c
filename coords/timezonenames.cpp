#include "coords/timezonenames.h"

#include <QTimeZone>

#include <algorithm>
#include <vector>

bool isKnownTimeZoneId(const QString &id)
{
    const QByteArray bytes = id.toUtf8();
    if (!QTimeZone(bytes).isValid())
        return false;
    return id.contains(QLatin1Char('/')) || bytes == QTimeZone::systemTimeZoneId()
            || QTimeZone::availableTimeZoneIds().contains(bytes);
}

// Letters to insert, delete or replace to turn `a` into `b`.
static int editDistance(const QString &a, const QString &b)
{
    std::vector<int> row(size_t(b.size()) + 1);
    for (size_t j = 0; j < row.size(); ++j)
        row[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int above = row[size_t(j)];
            row[size_t(j)] = std::min({above + 1, row[size_t(j - 1)] + 1,
                                       diagonal + (a.at(i - 1) == b.at(j - 1) ? 0 : 1)});
            diagonal = above;
        }
    }
    return row.back();
}

static QString lastPart(const QString &id)
{
    return id.section(QLatin1Char('/'), -1).toLower();
}

QStringList closestTimeZoneIds(const QString &text)
{
    const QString wanted = text.trimmed().toLower().replace(QLatin1Char(' '), QLatin1Char('_'));
    QStringList ids;
    for (const QByteArray &id : QTimeZone::availableTimeZoneIds())
        ids << QString::fromUtf8(id);
    QStringList named;
    QStringList containing;
    for (const QString &id : ids) {
        if (lastPart(id) == wanted)
            named << id;
        else if (!wanted.isEmpty() && id.toLower().contains(wanted))
            containing << id;
    }
    if (named.isEmpty())
        named = containing;
    if (named.isEmpty()) {
        std::stable_sort(ids.begin(), ids.end(), [&](const QString &a, const QString &b) {
            return editDistance(lastPart(a), wanted) < editDistance(lastPart(b), wanted);
        });
        named = ids;
    }
    return named.mid(0, 3);
}
