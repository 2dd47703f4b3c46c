#include "report/frontmatter.h"

#include <QStringList>

QString annexTitle(const ReportTitle &title)
{
    const QString typed = title.title.trimmed();
    return typed.isEmpty() ? QString::fromUtf8(defaultAnnexTitle) : typed;
}

QString footerText(const ReportTitle &title)
{
    QStringList parts;
    for (const QString &part : {title.company.trimmed(), title.code.trimmed()}) {
        if (!part.isEmpty())
            parts << part;
    }
    return parts.join(QStringLiteral(" · "));
}

QString oneLine(const QString &text, int characters)
{
    const QString simplified = text.simplified();
    if (simplified.size() <= characters)
        return simplified;
    QString cut = simplified.left(characters - 1);
    const qsizetype space = cut.lastIndexOf(QLatin1Char(' '));
    if (space > characters / 2)
        cut.truncate(space);
    return cut + QStringLiteral("…");
}
