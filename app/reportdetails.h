#ifndef REPORTDETAILS_H
#define REPORTDETAILS_H

#include "app/optiontable.h"
#include "report/frontmatter.h"

#include <QJsonObject>
#include <QString>

// The project's data a report's header shows; profiles keep them.
struct ReportDetails
{
    QString project;
    QString client;
    QString author;
    ReportTitle title; // title block, footer, cover and index
};

// Profile rows of the report's details, which the window holds for the dialog.
OptionTable reportProfileRows(ReportDetails &details);
// The details a profile holds; absent keys stay empty.
ReportDetails reportDetailsFrom(const QJsonObject &profile);

// The bundled Noto Sans beside the program, the report's font.
QString bundledFontPath();

#endif // REPORTDETAILS_H
