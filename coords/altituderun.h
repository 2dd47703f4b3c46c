#ifndef ALTITUDERUN_H
#define ALTITUDERUN_H

#include "coords/callbacks.h"
#include "coords/elevationclient.h"
#include "geo/crs.h"

#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

// What every row of one run needs besides its own line.
struct AltitudeJob
{
    ElevationSource source;
    bool overwrite = true;
    int altitudeIndex = 0;
    const CrsTransform *crs = nullptr; // null: WGS 84 / UTM
};

// One data row while its group is asked about. Its log lines wait with it,
// so that every row's lines stay together and in row order.
struct PendingRow
{
    int number = 0; // the header is row 0
    QStringList fields; // padded up to the altitude column
    QString name; // column 1 as written
    QString point; // "lat,lon"; empty when the row is not asked about
    QStringList logLines;
    QString transformation; // the one PROJ used for the row in a chosen system
};

// One run over the rows of a coordinates file's `lines` (the header first):
// groups them into requests as large as the service takes, asks, fills the
// lines in place.
class AltitudeRun
{
public:
    AltitudeRun(const AltitudeJob &job, QStringList &lines, const LogCallback &log,
                const ProgressCallback &progress);

    // False when the run must end without writing (a Google key is missing).
    bool fillAll();

    int updatedRows() const { return updated; }
    int askedRows() const { return asked; }
    int totalRows() const { return total; }
    const std::vector<QString> &usedTransformations() const { return transformations; }

private:
    void logGroupLines();
    void askGroup();
    void fillRow(PendingRow &row, const QJsonValue &result);

    const AltitudeJob &job;
    QStringList &lines;
    LogCallback log;
    ProgressCallback progress;
    ElevationClient client;
    const int total;
    QList<PendingRow> group; // rows read since the last request, in order
    QStringList points; // the points of the rows in `group` that are asked about
    std::vector<QString> transformations; // one a row read
    int done = 0;
    int asked = 0;
    int updated = 0;
};

#endif // ALTITUDERUN_H
