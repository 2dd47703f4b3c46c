#include "files/atomicfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <QDir>
#include <QMutex>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#endif

// An unbuffered write either writes everything or reports how much it did; a
// short count means the disk is full or the file size limit was reached.
static bool writeAll(QFileDevice &file, const char *data, qint64 size, QString &error)
{
    const qint64 written = file.write(data, size);
    if (written == size)
        return true;
    error = written < 0 || file.error() != QFileDevice::NoError
            ? file.errorString()
            : QStringLiteral("escritura incompleta en %1").arg(file.fileName());
    return false;
}

static bool openSaveFile(QSaveFile &file, QString &error)
{
    // Unbuffered, so that every write reaches the file at once and its count
    // can be checked; a buffered flush at commit could fail unnoticed.
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return true;
    error = file.errorString();
    return false;
}

static bool commit(QSaveFile &file, QString &error)
{
    if (file.commit())
        return true;
    error = file.errorString();
    return false;
}

// QSaveFile writes through a link to the file it points at. A written file
// replaces the name, as a rename would: the link goes, the file it pointed at
// (maybe someone's original photo or another file of the user) stays as it is.
static bool removeLink(const QString &path, QString &error)
{
    if (!QFileInfo(path).isSymLink())
        return true;
    QFile link(path);
    if (link.remove())
        return true;
    error = link.errorString();
    return false;
}

FileReplacement replaceFile(const QString &path, const std::function<QByteArray()> &contents,
                            QString &error)
{
    if (!removeLink(path, error))
        return FileReplacement::NotOpened;
    QSaveFile file(path);
    if (!openSaveFile(file, error))
        return FileReplacement::NotOpened;
    const QByteArray bytes = contents();
    if (!writeAll(file, bytes.constData(), bytes.size(), error)) {
        file.cancelWriting();
        return FileReplacement::NotWritten;
    }
    return commit(file, error) ? FileReplacement::Done : FileReplacement::NotWritten;
}

bool isNameTaken(const QString &path)
{
    // exists() follows a link; isSymLink() looks at the name itself.
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

static bool syncToDisk(QFileDevice &file)
{
#ifdef Q_OS_WIN
    return _commit(file.handle()) == 0;
#else
    return fsync(file.handle()) == 0;
#endif
}

// Hidden and without a photo suffix, so a file left by a kill is never
// collected as a photo.
static bool openTemporaryBeside(QTemporaryFile &output, const QString &destination, QString &error)
{
    output.setFileTemplate(QFileInfo(destination).absolutePath()
                           + QStringLiteral("/.rumbario-XXXXXX.tmp"));
    if (output.open())
        return true;
    error = output.errorString();
    return false;
}

// A temporary file writes through a buffer: the flush reports a short write
// of whatever was still held in it. Temporary files are private to their
// owner; the new file gets `permissions`.
static bool moveTemporaryToNewName(QTemporaryFile &output, QFileDevice::Permissions permissions,
                                   const QString &destination, QString &error)
{
    if (!output.flush() || !output.setPermissions(permissions) || !syncToDisk(output)) {
        error = output.errorString();
        return false;
    }
    output.close();
    if (!moveFileToNewName(output.fileName(), destination, error))
        return false;
    output.setAutoRemove(false);
    return true;
}

bool writeFileToNewName(const QString &path, const QByteArray &bytes,
                        QFileDevice::Permissions permissions, QString &error)
{
    QTemporaryFile output;
    return openTemporaryBeside(output, path, error)
            && writeAll(output, bytes.constData(), bytes.size(), error)
            && moveTemporaryToNewName(output, permissions, path, error);
}

#ifdef Q_OS_WIN
bool moveFileReplacing(const QString &source, const QString &destination, QString &error)
{
    const QString from = QDir::toNativeSeparators(source);
    const QString to = QDir::toNativeSeparators(destination);
    if (MoveFileExW(reinterpret_cast<const wchar_t *>(from.utf16()),
                    reinterpret_cast<const wchar_t *>(to.utf16()), MOVEFILE_REPLACE_EXISTING))
        return true;
    error = qt_error_string(static_cast<int>(GetLastError()));
    return false;
}

bool moveFileToNewName(const QString &source, const QString &destination, QString &error)
{
    // Without MOVEFILE_REPLACE_EXISTING the move fails on an existing name.
    const QString from = QDir::toNativeSeparators(source);
    const QString to = QDir::toNativeSeparators(destination);
    if (MoveFileExW(reinterpret_cast<const wchar_t *>(from.utf16()),
                    reinterpret_cast<const wchar_t *>(to.utf16()), 0))
        return true;
    error = qt_error_string(static_cast<int>(GetLastError()));
    return false;
}
#else
bool moveFileReplacing(const QString &source, const QString &destination, QString &error)
{
    if (::rename(QFile::encodeName(source).constData(), QFile::encodeName(destination).constData())
        == 0)
        return true;
    error = qt_error_string(errno);
    return false;
}

// Last resort for file systems with neither no-replace renames nor hard
// links: the check and the rename cannot race with this process's own photos.
static bool renameUnlessExists(const QByteArray &from, const QByteArray &to)
{
    static QMutex mutex;
    QMutexLocker locker(&mutex);
    if (isNameTaken(QFile::decodeName(to))) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.constData(), to.constData()) == 0;
}

bool moveFileToNewName(const QString &source, const QString &destination, QString &error)
{
    const QByteArray from = QFile::encodeName(source);
    const QByteArray to = QFile::encodeName(destination);
    bool moved = ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE)
            == 0;
    if (!moved && (errno == EINVAL || errno == ENOSYS)) {
        // A hard link also fails on an existing name.
        if (::link(from.constData(), to.constData()) == 0) {
            ::unlink(from.constData());
            moved = true;
        } else if (errno == EPERM || errno == ENOSYS) {
            moved = renameUnlessExists(from, to);
        }
    }
    if (!moved)
        error = qt_error_string(errno);
    return moved;
}
#endif
