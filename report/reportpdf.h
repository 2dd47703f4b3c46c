#ifndef REPORTPDF_H
#define REPORTPDF_H

#include "report/photoreport.h"

#include <QByteArray>
#include <QString>

// The report as PDF/A-1b with the report's font embedded: the header on every
// page, the photo blocks, the summary table, the map and the photos without
// a position. False with `error` set when it cannot be drawn, or when the run
// was stopped.
bool buildReportPdf(const PhotoReport &report, ReportRun &run, QByteArray &pdf, QString &error);

#endif // REPORTPDF_H
