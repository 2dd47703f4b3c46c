#include "files/photocollection.h"

#include <QDir>
#include <QFileInfo>

static const QStringList heifNameFilters = {QStringLiteral("*.heic"), QStringLiteral("*.heif")};
static const QStringList photoNameFilters
        = QStringList {QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"), QStringLiteral("*.tiff"),
                       QStringLiteral("*.png")}
        + heifNameFilters;

static void collectFrom(const QDir &root, const QString &folder, const QString &relative,
                        bool recurse, QStringList &photos)
{
    const QDir dir(relative.isEmpty() ? root.path() : root.filePath(relative));
    const auto prefix = relative.isEmpty() ? QString() : relative + QLatin1Char('/');
    const auto files = dir.entryList(photoNameFilters, QDir::Files | QDir::NoSymLinks,
                                     QDir::Name | QDir::IgnoreCase);
    for (const auto &name : files)
        photos.append(QDir(folder).filePath(prefix + name));
    if (!recurse)
        return;
    const auto subfolders = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks,
                                          QDir::Name | QDir::IgnoreCase);
    for (const auto &name : subfolders) {
        // Backups must never be processed: a later run without backups
        // would otherwise stamp and rename the only copies of the originals.
        if (relative.isEmpty() && name == QLatin1String(backupFolderName))
            continue;
        collectFrom(root, folder, prefix + name, recurse, photos);
    }
}

QStringList collectPhotos(const QString &folder, bool includeSubdirectories)
{
    QStringList photos;
    collectFrom(QDir(folder), folder, QString(), includeSubdirectories, photos);
    return photos;
}

bool isHeifName(const QString &path)
{
    return QDir::match(heifNameFilters, QFileInfo(path).fileName());
}
