#ifndef BATCHOUTCOME_H
#define BATCHOUTCOME_H

#include <QString>
#include <QStringList>

// What became of one batch.
struct BatchOutcome
{
    QString refusal; // why the batch did not start, already logged; empty when it ran
    int total = 0; // photos collected
    int done = 0; // photos that went through the pipeline, failed and skipped ones included
    // Photos the pipeline could not save, those without a position included;
    // photos left alone as already stamped are not failures.
    int failed = 0;
    // Photos (paths) that were not processed as asked, by reason.
    QStringList fixedPosition {}; // stamped and named at the fixed position
    QStringList withoutPosition {}; // left untouched: no position was found
    QStringList alreadyStamped {}; // left untouched: stamped by an earlier run
    QStringList unsupported {}; // files in the folder that are not photos it can read
    QStringList badNames {}; // photos and folders skipped: their names are not valid text
    QStringList outsideArea {}; // saved at a place outside the chosen system's area of use
    bool logoMissing = false; // a logo was asked for and could not be opened
    bool exportFailed = false; // a location file could not be written
    bool stopped() const { return done < total; }
    int processed() const { return done - failed - int(alreadyStamped.size()); }
    int errors() const { return failed - int(withoutPosition.size()); }
};

#endif // BATCHOUTCOME_H
