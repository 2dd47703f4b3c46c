#include "app/reportdetails.h"

#include <QCoreApplication>

static const QString projectKey = QStringLiteral("reportProject");
static const QString clientKey = QStringLiteral("reportClient");
static const QString authorKey = QStringLiteral("reportAuthor");

static OptionRow detailRow(QString *value, const QString &key)
{
    OptionRow row;
    row.profileKey = key;
    row.save = [value] {
        return QJsonValue(*value);
    };
    row.load = [value](const QJsonValue &stored) {
        if (stored.isString())
            *value = stored.toString();
    };
    return row;
}

OptionTable reportProfileRows(ReportDetails &details)
{
    return {detailRow(&details.project, projectKey), detailRow(&details.client, clientKey),
            detailRow(&details.author, authorKey)};
}

ReportDetails reportDetailsFrom(const QJsonObject &profile)
{
    ReportDetails details;
    for (const OptionRow &row : reportProfileRows(details))
        row.load(profile.value(row.profileKey));
    return details;
}

QString bundledFontPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/notosans.ttf");
}
