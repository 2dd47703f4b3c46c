#ifndef OPENINGPAGES_H
#define OPENINGPAGES_H

#include "report/photoreport.h"

#include <QPair>
#include <QStringList>
#include <QVector>

// What the first pages of the report hold: the title block, the cover and
// the index of the photos.

// The title block's rows, label and value, always all of them so that the
// block keeps its shape; a value not given is empty.
QVector<QPair<QString, QString>> titleBlockRows(const ReportSettings &settings);

// The cover's lines under the title: project, client, company, code and
// date, those given.
QStringList coverLines(const ReportSettings &settings);

// One row per photo for the index: its title, its description on one line
// and the page its block is on, the located photos' blocks starting at
// `firstBlockPage`, those of the photos without position at
// `firstUnlocatedPage`.
QVector<QStringList> photoIndexRows(const PhotoReport &report, int firstBlockPage,
                                    int firstUnlocatedPage);
QStringList photoIndexHeader();
QVector<double> photoIndexColumnShares();

#endif // OPENINGPAGES_H
