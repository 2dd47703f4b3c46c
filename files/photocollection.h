#ifndef PHOTOCOLLECTION_H
#define PHOTOCOLLECTION_H

#include <QString>
#include <QStringList>

// Name of the folder, inside a batch folder, that holds the backups.
inline constexpr char backupFolderName[] = "Backup";

// The photos of a batch: visible regular files named *.jpg, *.jpeg, *.tiff,
// *.png, *.heic or *.heif (any letter case), no symbolic links; with
// `includeSubdirectories`, also those of visible subfolders at any depth,
// except every folder named "Backup". Each entry is `folder` joined with the
// path below it. When `badNames` is given, it receives the photos (and, with
// subfolders, the folders) whose names are not valid text and so cannot be
// processed, each shown with replacement characters where its bytes do not
// decode.
QStringList collectPhotos(const QString &folder, bool includeSubdirectories,
                          QStringList *badNames = nullptr);

// The pictures in the same folders that are not photos the program reads
// (".tif", ".bmp", ".webp", camera raw files...), so a run can say it left
// them out.
QStringList collectUnsupportedPictures(const QString &folder, bool includeSubdirectories);

// The photos at `paths` named from `folder`, comma-separated, for a log line.
QString photoNamesFrom(const QString &folder, const QStringList &paths);

// True for a photo named *.heic or *.heif (any letter case): a format the
// program reads but does not write, so its result is a new JPEG.
bool isHeifName(const QString &path);

#endif // PHOTOCOLLECTION_H
