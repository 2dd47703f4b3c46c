#ifndef REPORTDOCX_H
#define REPORTDOCX_H

#include "report/photoreport.h"

#include <QByteArray>
#include <QString>

// The report as a Word document (Office Open XML): the header with the page
// number fields, the pictures as inline drawings, the caption and summary
// tables as real Word tables, the map as a picture, page size and margins
// set. False with `error` set when the archive cannot be built, or when the
// run was stopped.
bool buildReportDocx(const PhotoReport &report, ReportRun &run, QByteArray &docx, QString &error);

#endif // REPORTDOCX_H
