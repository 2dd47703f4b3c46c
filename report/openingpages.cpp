#include "report/openingpages.h"

#include "report/frontmatter.h"

#include <QLocale>

// Index rows keep their height: a description longer than this is cut; its
// whole text stays in the photo's caption.
static constexpr int indexDescriptionCharacters = 90;

static QString dateText(const QDate &date)
{
    return date.isValid() ? QLocale::c().toString(date, QStringLiteral("dd/MM/yyyy")) : QString();
}

QVector<QPair<QString, QString>> titleBlockRows(const ReportSettings &settings)
{
    const ReportTitle &title = settings.title;
    return {
            {QStringLiteral("Proyecto"), settings.project},
            {QStringLiteral("Cliente"), settings.client},
            {QStringLiteral("Código del documento"), title.code},
            {QStringLiteral("Revisión"), title.revision},
            {QStringLiteral("Fecha"), dateText(settings.date)},
            {QStringLiteral("Elaborado por"),
             title.preparedBy.isEmpty() ? settings.author : title.preparedBy},
            {QStringLiteral("Revisado por"), title.reviewedBy},
            {QStringLiteral("Aprobado por"), title.approvedBy},
    };
}

QStringList coverLines(const ReportSettings &settings)
{
    QStringList lines;
    const auto add = [&lines](const QString &label, const QString &value) {
        if (!value.trimmed().isEmpty())
            lines << label + value.trimmed();
    };
    add(QStringLiteral("Proyecto: "), settings.project);
    add(QStringLiteral("Cliente: "), settings.client);
    add(QString(), settings.title.company);
    add(QStringLiteral("Documento: "), settings.title.code);
    add(QStringLiteral("Revisión: "), settings.title.revision);
    add(QString(), dateText(settings.date));
    return lines;
}

static void appendIndexRows(QVector<QStringList> &rows, const QVector<ReportPhoto> &photos,
                            int firstPage, int perPage)
{
    for (int i = 0; i < photos.size(); ++i) {
        const ReportPhoto &photo = photos.at(i);
        rows.append({photoTitle(photo.number), oneLine(photo.caption, indexDescriptionCharacters),
                     QString::number(firstPage + i / perPage)});
    }
}

QVector<QStringList> photoIndexRows(const PhotoReport &report, int firstBlockPage,
                                    int firstUnlocatedPage)
{
    QVector<QStringList> rows;
    const int perPage = report.settings.photosPerPage;
    appendIndexRows(rows, report.located, firstBlockPage, perPage);
    appendIndexRows(rows, report.unlocated, firstUnlocatedPage, perPage);
    return rows;
}

QStringList photoIndexHeader()
{
    return {QStringLiteral("Fotografía"), QStringLiteral("Descripción"), QStringLiteral("Página")};
}

QVector<double> photoIndexColumnShares()
{
    return {0.22, 0.66, 0.12};
}
