#ifndef PHOTORESTORE_H
#define PHOTORESTORE_H

#include "coords/callbacks.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <atomic>

// Undoing runs: each photo whose stamp marker names a backup that still
// exists gets its original back from that backup, under the name it had
// before the run, and the stamped photo goes.

// One photo a restore brings back. Paths are absolute.
struct RestoreItem
{
    QString photo; // the stamped photo
    QString backup; // its original, below a "Backup" folder
    QString original; // where the original goes back
};

struct RestorePlan
{
    QVector<RestoreItem> items;
    QStringList withoutBackup; // marked, but no backup was made or it is gone
    QStringList unmarked; // no marker: never guessed from names
};

// Reads the markers of the photos in `folder` (and its subfolders with
// `includeSubdirectories`); changes nothing. A marker is data from a file:
// one whose backup lies outside a "Backup" folder above the photo once links
// are resolved, or whose original name is no plain file name, counts as
// having no backup.
RestorePlan planRestore(const QString &folder, bool includeSubdirectories);

// "Se restaurarán N fotos; M no tienen copia de seguridad."
QString restorePlanText(const RestorePlan &plan);

struct RestoreOutcome
{
    QString refusal; // why the restore did not start, already logged; empty when it ran
    int restored = 0;
    // Items left as they were: a backup that is no whole photo, a taken name,
    // a failed move.
    int notRestored = 0;
    bool stopped = false;
};

// Restores the plan's photos holding the lock of every folder it writes in,
// one at a time, each from a backup that decodes whole and in steps that
// never leave neither copy; stops between photos once `stop` (may
// be null) is set. A backup folder that the restore empties is removed.
// `progress` may be empty.
RestoreOutcome restoreOriginals(const QString &folder, const RestorePlan &plan,
                                const LogCallback &log, const ProgressCallback &progress,
                                const std::atomic<bool> *stop);

#endif // PHOTORESTORE_H
