#ifndef FRONTMATTER_H
#define FRONTMATTER_H

#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

struct PhotoReport;
struct ReportSettings;

// What makes the report the annex a consultant hands in: the document's own
// data on its first page (and a cover on request), a footer on every page
// and an index of the photos.
struct ReportTitle
{
    QString title; // empty: "Registro fotográfico"
    QString code; // the document code, "MN-INF-004-AN3"
    QString revision;
    QString preparedBy; // empty: the report's "Responsable"
    QString reviewedBy;
    QString approvedBy;
    QString company; // at the left of the footer
    bool cover = false; // a cover page before the title block
    bool photoIndex = false; // "Índice de fotografías" after the title block
};

inline constexpr char defaultAnnexTitle[] = "Registro fotográfico";

QString annexTitle(const ReportTitle &title);

// The title block's rows, label and value, always all of them so that the
// block keeps its shape; a value not given is empty.
QVector<QPair<QString, QString>> titleBlockRows(const ReportSettings &settings);

// The cover's lines under the title: project, client, company, code and
// date, those given.
QStringList coverLines(const ReportSettings &settings);

// "Consultora Andes · MN-INF-004-AN3", at the left of every page's footer;
// empty when neither is given.
QString footerText(const ReportTitle &title);

// One row per photo for the index: its title, its description on one line
// and the page its block is on, the located photos' blocks starting at
// `firstBlockPage`, those of the photos without position at
// `firstUnlocatedPage`.
QVector<QStringList> photoIndexRows(const PhotoReport &report, int firstBlockPage,
                                    int firstUnlocatedPage);
QStringList photoIndexHeader();
QVector<double> photoIndexColumnShares();

// `text` on one line of at most `characters`, cut at a word with "…".
QString oneLine(const QString &text, int characters);

#endif // FRONTMATTER_H
