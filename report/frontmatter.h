#ifndef FRONTMATTER_H
#define FRONTMATTER_H

#include <QString>

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

// "Consultora Andes · MN-INF-004-AN3", at the left of every page's footer;
// empty when neither is given.
QString footerText(const ReportTitle &title);

// `text` on one line of at most `characters`, cut at a word with "…".
QString oneLine(const QString &text, int characters);

#endif // FRONTMATTER_H
