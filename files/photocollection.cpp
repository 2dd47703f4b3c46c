#include "files/photocollection.h"

#include <QDir>
#include <QFileInfo>

static const QStringList heifNameFilters = {QStringLiteral("*.heic"), QStringLiteral("*.heif")};
static const QStringList photoNameFilters
        = QStringList {QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"), QStringLiteral("*.tiff"),
                       QStringLiteral("*.png")}
        + heifNameFilters;

// Pictures a camera, phone or scanner makes that users may expect a run to
// take; those the program reads are left out by `photoNameFilters`.
static const QStringList pictureNameFilters
        = {QStringLiteral("*.tif"),  QStringLiteral("*.tiff"), QStringLiteral("*.bmp"),
           QStringLiteral("*.gif"),  QStringLiteral("*.webp"), QStringLiteral("*.heic"),
           QStringLiteral("*.heif"), QStringLiteral("*.avif"), QStringLiteral("*.dng"),
           QStringLiteral("*.cr2"),  QStringLiteral("*.cr3"),  QStringLiteral("*.nef"),
           QStringLiteral("*.arw"),  QStringLiteral("*.orf"),  QStringLiteral("*.rw2"),
           QStringLiteral("*.raf")};

static bool isPhotoName(const QString &name)
{
    return QDir::match(photoNameFilters, name);
}

static void collectFrom(const QDir &root, const QString &folder, const QString &relative,
                        bool recurse, const QStringList &nameFilters, QStringList &photos)
{
    const QDir dir(relative.isEmpty() ? root.path() : root.filePath(relative));
    const auto prefix = relative.isEmpty() ? QString() : relative + QLatin1Char('/');
    const auto files = dir.entryList(nameFilters, QDir::Files | QDir::NoSymLinks,
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
        collectFrom(root, folder, prefix + name, recurse, nameFilters, photos);
    }
}

QStringList collectPhotos(const QString &folder, bool includeSubdirectories)
{
    QStringList photos;
    collectFrom(QDir(folder), folder, QString(), includeSubdirectories, photoNameFilters, photos);
    return photos;
}

QStringList collectUnsupportedPictures(const QString &folder, bool includeSubdirectories)
{
    QStringList pictures;
    collectFrom(QDir(folder), folder, QString(), includeSubdirectories, pictureNameFilters,
                pictures);
    pictures.removeIf([](const QString &path) { return isPhotoName(QFileInfo(path).fileName()); });
    return pictures;
}

bool isHeifName(const QString &path)
{
    return QDir::match(heifNameFilters, QFileInfo(path).fileName());
}
