#include "processing/folderlock.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

// Found once: Qt warns on every look-up where the session names no runtime
// folder.
static QString lockFolder()
{
    static const QString folder = [] {
        const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        return runtime.isEmpty() ? QDir::tempPath() : runtime;
    }();
    return folder;
}

// One name per folder however it is spelled or reached.
static QString lockPath(const QString &folder)
{
    const QFileInfo info(folder);
    const QString canonical = info.canonicalFilePath();
    const QString key = canonical.isEmpty() ? info.absoluteFilePath() : canonical;
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1);
    return QDir(lockFolder())
            .filePath(QStringLiteral("rumbario-%1.lock").arg(QString::fromLatin1(hash.toHex())));
}

FolderLock::FolderLock(const QString &folder)
    : folder(QDir::toNativeSeparators(QFileInfo(folder).absoluteFilePath()))
    , path(lockPath(folder))
    , file(path)
{
    // A batch may run for hours: only a dead owner makes the lock stale.
    file.setStaleLockTime(0);
}

// A run killed between creating its lock and writing its process number
// leaves a lock naming no owner, which Qt never takes over when locks do not
// go stale with age. Writing the number takes microseconds: such a lock a few
// seconds old is left by a dead run.
bool FolderLock::removeOwnerlessLock()
{
    constexpr int ownerlessLockSeconds = 10;
    qint64 pid = 0;
    QString hostName, appName;
    if (file.error() != QLockFile::LockFailedError || file.getLockInfo(&pid, &hostName, &appName))
        return false;
    const QDateTime written = QFileInfo(path).lastModified();
    return written.secsTo(QDateTime::currentDateTime()) >= ownerlessLockSeconds
            && file.removeStaleLockFile();
}

QString FolderLock::tryLock()
{
    QDir().mkpath(lockFolder());
    if (file.tryLock(0) || (removeOwnerlessLock() && file.tryLock(0)))
        return QString();
    if (file.error() == QLockFile::LockFailedError)
        return QStringLiteral("Otro proceso ya está trabajando en la carpeta %1. Espere a que "
                              "termine antes de iniciar otro.")
                .arg(folder);
    return QStringLiteral("No se pudo crear el bloqueo de la carpeta %1 en %2.")
            .arg(folder, QDir::toNativeSeparators(lockFolder()));
}
