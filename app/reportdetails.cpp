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

static OptionRow switchRow(bool *value, const QString &key)
{
    OptionRow row;
    row.profileKey = key;
    row.save = [value] {
        return QJsonValue(*value);
    };
    row.load = [value](const QJsonValue &stored) {
        if (stored.isBool())
            *value = stored.toBool();
    };
    return row;
}

OptionTable reportProfileRows(ReportDetails &details)
{
    ReportTitle &title = details.title;
    return {detailRow(&details.project, projectKey),
            detailRow(&details.client, clientKey),
            detailRow(&details.author, authorKey),
            detailRow(&title.title, QStringLiteral("reportTitle")),
            detailRow(&title.code, QStringLiteral("reportCode")),
            detailRow(&title.revision, QStringLiteral("reportRevision")),
            detailRow(&title.preparedBy, QStringLiteral("reportPreparedBy")),
            detailRow(&title.reviewedBy, QStringLiteral("reportReviewedBy")),
            detailRow(&title.approvedBy, QStringLiteral("reportApprovedBy")),
            detailRow(&title.company, QStringLiteral("reportCompany")),
            switchRow(&title.cover, QStringLiteral("reportCover")),
            switchRow(&title.photoIndex, QStringLiteral("reportIndex"))};
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
