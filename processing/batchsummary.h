#ifndef BATCHSUMMARY_H
#define BATCHSUMMARY_H

#include "processing/batchoutcome.h"

#include <QString>
#include <QStringList>

// What a run did, told the same way in the window's box, the end of the log
// and the command line: a first line saying whether the run went to its end,
// then one line per count that is not zero.
QStringList batchSummary(const BatchOutcome &outcome);

// The run's count line in the log: how many photos of all were processed in
// `time`, then the photos left alone and failed, by the summary's reasons.
QString batchCountLine(const BatchOutcome &outcome, const QString &time);

// Whether anything but clean processing happened: a stop, no photos at all,
// or any count other than the processed photos.
bool summaryWarns(const BatchOutcome &outcome);

// The file names of `paths`, the first `shown` of them, then "y N más".
QString fileNameList(const QStringList &paths, int shown = 5);

#endif // BATCHSUMMARY_H
