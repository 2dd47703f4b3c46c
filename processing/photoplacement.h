#ifndef PHOTOPLACEMENT_H
#define PHOTOPLACEMENT_H

#include "files/photofile.h"

#include <QString>
#include <QStringList>

// Where a photo's work is done: a copy in the output folder, or the photo
// itself after a backup under the batch folder's "Backup". Each step appends
// its outcome to `lines` and returns false when the photo must stop.

// The photo's folder relative to the batch folder; "." for the batch folder.
QString relativeFolder(const QString &batchFolder, const QString &photoPath);

// "%1_backup.%2" for counter 0, "%1_backup(%2).%3" for later counters.
QString backupFileName(const QString &photoFileName, int counter);

// The path the photo has in the same relative subfolder of `outputFolder`,
// that subfolder made; empty when it cannot be made or the path is the
// photo's own.
QString outputPathFor(const QString &batchFolder, const QString &outputFolder,
                      const QString &photoPath, QStringList &lines);

// Copies the photo at `photoPath`, whose bytes `photo` holds, to the same
// relative subfolder of `outputFolder`, under its own name or, when that is
// taken, the first free "<name> (N).<suffix>": an existing file is never
// replaced. On success `workFile` is the copy's path.
bool placeInOutputFolder(const QString &batchFolder, const QString &outputFolder,
                         const QString &photoPath, const PhotoFile &photo, QString &workFile,
                         QStringList &lines);

// Copies the photo at `photoPath`, whose bytes `photo` holds, under a new
// name below the batch folder's "Backup" and sets `backupPath` to it. The
// photo must not be changed when this fails.
bool backUpPhoto(const QString &batchFolder, const QString &photoPath, const PhotoFile &photo,
                 QString &backupPath, QStringList &lines);

// Moves the photo itself there, once a new file has taken its place.
bool moveToBackup(const QString &batchFolder, const QString &photoPath, QString &backupPath,
                  QStringList &lines);

#endif // PHOTOPLACEMENT_H
