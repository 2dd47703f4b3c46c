#include "coords/clockcorrection.h"

#include <QRegularExpression>

#include <cstdlib>

QString clockCorrectionText(int seconds)
{
    const int magnitude = std::abs(seconds);
    return QStringLiteral("%1%2:%3:%4")
            .arg(seconds < 0 ? QLatin1Char('-') : QLatin1Char('+'))
            .arg(magnitude / 3600, 2, 10, QLatin1Char('0'))
            .arg(magnitude / 60 % 60, 2, 10, QLatin1Char('0'))
            .arg(magnitude % 60, 2, 10, QLatin1Char('0'));
}

bool parseClockCorrection(QStringView text, int &seconds)
{
    static const QRegularExpression pattern(
            QStringLiteral("^([+-]?)(\\d{1,2}):([0-5]\\d):([0-5]\\d)$"));
    const QRegularExpressionMatch match = pattern.match(text.trimmed().toString());
    if (!match.hasMatch())
        return false;
    const int magnitude = match.capturedView(2).toInt() * 3600 + match.capturedView(3).toInt() * 60
            + match.capturedView(4).toInt();
    seconds = match.capturedView(1) == QLatin1String("-") ? -magnitude : magnitude;
    return true;
}
