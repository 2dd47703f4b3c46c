#include "processing/photorestore.h"

#include "exports/locationexport.h"
#include "files/atomicfile.h"
#include "files/photocollection.h"
#include "image/photoloader.h"
#include "metadata/stampmarker.h"
#include "processing/folderlock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

static bool isPlainFileName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
            && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

// The backup must really sit below a "Backup" folder in the photo's folder
// or one of its parents, as runs make them, and be a file of its own: its
// path with every link resolved, so that a link named "Backup" (or one
// inside it) never leads the restore into another folder.
static bool isBackupOf(const QString &photoFolder, const QString &backup)
{
    const QFileInfo info(backup);
    if (!info.isFile() || info.isSymLink())
        return false;
    const QString real = info.canonicalFilePath();
    const QString folder = QFileInfo(photoFolder).canonicalFilePath();
    const QString marker = QLatin1Char('/') + QLatin1String(backupFolderName) + QLatin1Char('/');
    const int at = real.indexOf(marker);
    if (at < 0 || folder.isEmpty())
        return false;
    const QString root = real.left(at);
    return folder == root || folder.startsWith(root + QLatin1Char('/'));
}

RestorePlan planRestore(const QString &folder, bool includeSubdirectories)
{
    RestorePlan plan;
    for (const auto &photo : collectPhotos(folder, includeSubdirectories)) {
        const auto marker = readStampMarkerFromFile(photo);
        if (!marker) {
            plan.unmarked << photo;
            continue;
        }
        const QDir photoFolder = QFileInfo(photo).absoluteDir();
        const QString backup = QDir::cleanPath(photoFolder.filePath(marker->backup));
        if (marker->backup.isEmpty() || !isPlainFileName(marker->originalName)
            || !isBackupOf(photoFolder.absolutePath(), backup)) {
            plan.withoutBackup << photo;
            continue;
        }
        plan.items.append({QFileInfo(photo).absoluteFilePath(), backup,
                           photoFolder.filePath(marker->originalName)});
    }
    return plan;
}

QString restorePlanText(const RestorePlan &plan)
{
    return QStringLiteral("Se restaurarán %1 fotos; %2 no tienen copia de seguridad.")
            .arg(QString::number(plan.items.size()), QString::number(plan.withoutBackup.size()));
}

// Empty folders left in "Backup" go, up to and including "Backup" itself;
// rmdir never removes a folder that still holds anything.
static void removeEmptiedBackupFolders(const QString &backup)
{
    QDir folder = QFileInfo(backup).absoluteDir();
    while (QDir().rmdir(folder.absolutePath())) {
        if (folder.dirName() == QLatin1String(backupFolderName) || !folder.cdUp())
            return;
    }
}

// Only a backup that decodes whole replaces the stamped photo; the original
// first takes its name, then the stamped photo goes: at every moment at
// least one of them is in the photo folder.
static bool restoreOne(const RestoreItem &item, const LogCallback &log)
{
    const QString stampedName = QFileInfo(item.photo).fileName();
    const QString originalName = QFileInfo(item.original).fileName();
    QString error = wholePhotoProblem(item.backup);
    if (!error.isEmpty()) {
        log(QStringLiteral("No se restaura %1: su copia de seguridad %2 no es una foto entera: %3")
                    .arg(stampedName, QFileInfo(item.backup).fileName(), error));
        return false;
    }
    if (item.original == item.photo) {
        if (!moveFileReplacing(item.backup, item.photo, error)) {
            log(QStringLiteral("Error restaurando %1: %2").arg(stampedName, error));
            return false;
        }
    } else if (isNameTaken(item.original)) {
        log(QStringLiteral("No se restaura %1: el nombre %2 lo ocupa otro archivo.")
                    .arg(stampedName, originalName));
        return false;
    } else if (!moveFileToNewName(item.backup, item.original, error)) {
        log(QStringLiteral("Error restaurando %1: %2").arg(stampedName, error));
        return false;
    } else if (!QFile::remove(item.photo)) {
        log(QStringLiteral("Error: se restauró %1 pero no se pudo borrar %2.")
                    .arg(originalName, stampedName));
        return false;
    }
    log(QStringLiteral("%1 → %2").arg(stampedName, originalName));
    removeEmptiedBackupFolders(item.backup);
    return true;
}

static void logLeftOut(const QString &what, const QStringList &photos, const QString &folder,
                       const LogCallback &log)
{
    if (!photos.isEmpty())
        log(what + photoNamesFrom(folder, photos));
}

// Location files and photo reports still describe the stamped photos.
static void logOutdatedDescriptions(const QString &folder, const LogCallback &log)
{
    const QString report = QLatin1String(reportBaseName);
    QStringList outdated;
    for (const QString &name :
         {QString::fromLatin1(kmzFileName), QString::fromLatin1(geoJsonFileName),
          QString::fromLatin1(csvFileName), report + QStringLiteral(".pdf"),
          report + QStringLiteral(".docx")}) {
        if (QFileInfo::exists(QDir(folder).filePath(name)))
            outdated << name;
    }
    if (!outdated.isEmpty())
        log(QStringLiteral("Estos archivos describen las fotos estampadas y quedaron "
                           "desactualizados: %1.")
                    .arg(outdated.join(QStringLiteral(", "))));
}

RestoreOutcome restoreOriginals(const QString &folder, const RestorePlan &plan,
                                const LogCallback &log, const ProgressCallback &progress,
                                const std::atomic<bool> *stop)
{
    RestoreOutcome outcome;
    // Every folder it writes in, as a batch would lock them.
    QStringList folders = {folder};
    for (const auto &item : plan.items)
        folders << QFileInfo(item.photo).absolutePath() << QFileInfo(item.original).absolutePath();
    folders.removeDuplicates();
    FolderLock lock;
    outcome.refusal = lock.tryLock(folders);
    if (!outcome.refusal.isEmpty()) {
        log(outcome.refusal);
        return outcome;
    }
    logLeftOut(QStringLiteral("Fotos sin estampar (nada que restaurar): "), plan.unmarked, folder,
               log);
    logLeftOut(QStringLiteral("Fotos sin copia de seguridad; no se restauran: "),
               plan.withoutBackup, folder, log);
    const int total = int(plan.items.size());
    if (progress)
        progress(0, total);
    for (int i = 0; i < total; ++i) {
        if (stop && stop->load()) {
            outcome.stopped = true;
            break;
        }
        if (restoreOne(plan.items.at(i), log))
            ++outcome.restored;
        else
            ++outcome.notRestored;
        if (progress)
            progress(i + 1, total);
    }
    const QString end = outcome.stopped
            ? QStringLiteral("Restauración detenida: se restauraron %1 de %2 fotos.")
            : QStringLiteral("Se restauraron %1 de %2 fotos.");
    log(end.arg(QString::number(outcome.restored), QString::number(total)));
    if (outcome.restored > 0)
        logOutdatedDescriptions(folder, log);
    return outcome;
}
