#ifndef REPORTFILES_H
#define REPORTFILES_H

#include "report/photoreport.h"

#include <QString>
#include <QStringList>

#include <atomic>

// Writing the photo report: the report is collected once and built in each
// chosen format by its writer before any file is touched.

// Why `path` cannot name the report's files: no file name before its ending
// (an empty path, a folder's path, ".pdf"). Empty when it can.
QString reportTargetProblem(const QString &path);

// Sets the PDF and Word targets from `path`: its name without a ".pdf" or
// ".docx" ending, with each format's ending.
void setReportTargets(ReportSettings &settings, const QString &path);

// The files the chosen formats go to.
QStringList reportTargets(const ReportSettings &settings);

struct ReportOutcome
{
    QStringList written; // paths of the files written
    bool stopped = false;
    bool failed = false; // a file could not be written, a photo not read, or none was there
};

// Collects the report and writes each chosen format; each file replaces an
// older one only when complete. With `stop` set, or without any photo to
// show, no file is written or changed. Blocks until done: run it off the GUI
// thread.
ReportOutcome writePhotoReport(const ReportSettings &settings, const LogCallback &log,
                               const ProgressCallback &progress, const std::atomic<bool> *stop);

#endif // REPORTFILES_H
