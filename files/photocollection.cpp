#include "files/photocollection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>

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

static bool isValidText(const QByteArray &name)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(name);
    return !decoder.hasError();
}

static bool hasPhotoSuffix(const QString &name)
{
    for (const auto &filter : photoNameFilters) {
        if (name.endsWith(filter.mid(1), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// Qt leaves out, without a word, the names it cannot decode: read them from
// the folder itself.
static void collectBadNames(const QString &path, const QString &shownPath, bool withFolders,
                            QStringList &badNames)
{
    const std::unique_ptr<DIR, int (*)(DIR *)> dir(::opendir(QFile::encodeName(path)), ::closedir);
    if (!dir)
        return;
    while (const dirent *entry = ::readdir(dir.get())) {
        const QByteArray name(entry->d_name);
        if (name.startsWith('.') || isValidText(name))
            continue;
        struct stat status
        {
        };
        if (::fstatat(::dirfd(dir.get()), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        const QString shown = QString::fromUtf8(name);
        if ((S_ISREG(status.st_mode) && hasPhotoSuffix(shown))
            || (withFolders && S_ISDIR(status.st_mode)))
            badNames.append(QDir(shownPath).filePath(shown));
    }
}

static void collectFrom(const QDir &root, const QString &folder, const QString &relative,
                        bool recurse, const QStringList &nameFilters, QStringList &photos,
                        QStringList *badNames)
{
    const QDir dir(relative.isEmpty() ? root.path() : root.filePath(relative));
    const auto prefix = relative.isEmpty() ? QString() : relative + QLatin1Char('/');
    const auto files = dir.entryList(nameFilters, QDir::Files | QDir::NoSymLinks,
                                     QDir::Name | QDir::IgnoreCase);
    for (const auto &name : files)
        photos.append(QDir(folder).filePath(prefix + name));
    if (badNames)
        collectBadNames(dir.path(), QDir(folder).filePath(relative), recurse, *badNames);
    if (!recurse)
        return;
    const auto subfolders = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks,
                                          QDir::Name | QDir::IgnoreCase);
    for (const auto &name : subfolders) {
        // Backups must never be processed, whichever run made them: a later
        // run without backups would otherwise stamp and rename the only
        // copies of the originals.
        if (name == QLatin1String(backupFolderName))
            continue;
        collectFrom(root, folder, prefix + name, recurse, nameFilters, photos, badNames);
    }
}

QStringList collectPhotos(const QString &folder, bool includeSubdirectories, QStringList *badNames)
{
    QStringList photos;
    collectFrom(QDir(folder), folder, QString(), includeSubdirectories, photoNameFilters, photos,
                badNames);
    return photos;
}

QStringList collectUnsupportedPictures(const QString &folder, bool includeSubdirectories)
{
    QStringList pictures;
    collectFrom(QDir(folder), folder, QString(), includeSubdirectories, pictureNameFilters,
                pictures, nullptr);
    pictures.removeIf([](const QString &path) { return isPhotoName(QFileInfo(path).fileName()); });
    return pictures;
}

QString photoNamesFrom(const QString &folder, const QStringList &paths)
{
    QStringList names;
    for (const QString &path : paths)
        names << QDir(folder).relativeFilePath(path);
    return names.join(QStringLiteral(", "));
}

bool isHeifName(const QString &path)
{
    return QDir::match(heifNameFilters, QFileInfo(path).fileName());
}
