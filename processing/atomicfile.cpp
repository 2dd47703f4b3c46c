#include "processing/atomicfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

static constexpr qint64 copyChunkBytes = 1 << 20;

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

static bool copyContents(QFile &source, QFileDevice &destination, QString &error)
{
    QByteArray chunk;
    while (!source.atEnd()) {
        chunk = source.read(copyChunkBytes);
        if (chunk.isEmpty() && source.error() != QFileDevice::NoError) {
            error = source.errorString();
            return false;
        }
        if (!writeAll(destination, chunk.constData(), chunk.size(), error))
            return false;
    }
    return true;
}

static bool openSource(QFile &source, QString &error)
{
    if (source.open(QIODevice::ReadOnly))
        return true;
    error = source.errorString();
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

bool replaceFileAtomically(const QString &path, const QByteArray &bytes, QString &error)
{
    QSaveFile file(path);
    if (!openSaveFile(file, error))
        return false;
    if (!writeAll(file, bytes.constData(), bytes.size(), error)) {
        file.cancelWriting();
        return false;
    }
    return commit(file, error);
}

bool copyFileAtomically(const QString &source, const QString &destination, QString &error)
{
    QFile input(source);
    if (!openSource(input, error))
        return false;
    QSaveFile output(destination);
    if (!openSaveFile(output, error))
        return false;
    if (!copyContents(input, output, error)) {
        output.cancelWriting();
        return false;
    }
    return commit(output, error);
}

static bool syncToDisk(QFileDevice &file)
{
#ifdef Q_OS_WIN
    return _commit(file.handle()) == 0;
#else
    return fsync(file.handle()) == 0;
#endif
}

bool copyFileToNewName(const QString &source, const QString &destination, QString &error)
{
    QFile input(source);
    if (!openSource(input, error))
        return false;
    // Hidden and without a photo suffix, so a file left by a kill is never
    // collected as a photo.
    QTemporaryFile output(QFileInfo(destination).absolutePath()
                          + QStringLiteral("/.rumbario-XXXXXX.tmp"));
    if (!output.open()) {
        error = output.errorString();
        return false;
    }
    // A temporary file writes through a buffer: the flush reports a short
    // write of whatever was still held in it.
    if (!copyContents(input, output, error))
        return false;
    // Temporary files are private to their owner; a copy keeps the source's
    // permissions.
    if (!output.flush() || !output.setPermissions(input.permissions()) || !syncToDisk(output)) {
        error = output.errorString();
        return false;
    }
    // Renaming never replaces an existing file, so a name taken meanwhile
    // makes this fail instead of overwriting it.
    if (!output.rename(destination)) {
        error = output.errorString();
        return false;
    }
    output.setAutoRemove(false);
    return true;
}
