#ifndef PHOTOCOLLECTION_H
#define PHOTOCOLLECTION_H

#include <QString>
#include <QStringList>

// Name of the folder, inside a batch folder, that holds the backups.
inline constexpr char backupFolderName[] = "Backup";

// The photos of a batch: visible regular files named *.jpg, *.jpeg, *.tiff,
// *.png, *.heic or *.heif (any letter case), no symbolic links; with `includeSubdirectories`,
// also those of visible subfolders at any depth, except the batch's own
// backup folder. Each entry is `folder` joined with the path below it.
QStringList collectPhotos(const QString &folder, bool includeSubdirectories);

// The pictures in the same folders that are not photos the program reads
// (".tif", ".bmp", ".webp", camera raw files...), so a run can say it left
// them out.
QStringList collectUnsupportedPictures(const QString &folder, bool includeSubdirectories);

// True for a photo named *.heic or *.heif (any letter case): a format the
// program reads but does not write, so its result is a new JPEG.
bool isHeifName(const QString &path);

#endif // PHOTOCOLLECTION_H
