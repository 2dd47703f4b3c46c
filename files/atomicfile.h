#ifndef ATOMICFILE_H
#define ATOMICFILE_H

#include <QByteArray>
#include <QFileDevice>
#include <QString>

#include <functional>

// Writes that never leave a half-written file behind: the data goes to a
// temporary file in the target's folder, every write is checked, the file is
// synced to disk and only then moved into place. A failure or a kill at any
// moment leaves the target as it was or fully replaced. A symbolic link at the
// target is replaced by a regular file, never written through. On failure
// `error` holds the reason.

// How a replacement ended: done, or failed before anything was written (the
// temporary file could not be created), or failed while writing or moving it.
enum class FileReplacement { Done, NotOpened, NotWritten };

// Replaces (or creates) the file at `path` with the bytes `contents` gives.
// They are asked for only once the temporary file is open, so a target that
// cannot be written costs no work.
FileReplacement replaceFile(const QString &path, const std::function<QByteArray()> &contents,
                            QString &error);
// Replaces (or creates) the file at `path` with `bytes`.
inline bool replaceFileAtomically(const QString &path, const QByteArray &bytes, QString &error)
{
    return replaceFile(
                   path, [&bytes] { return bytes; }, error)
            == FileReplacement::Done;
}

// True when anything is at `path`: a file, a folder or a symbolic link, even
// one that points nowhere. The new-name writes and moves below fail on
// exactly these names, so a free name is chosen with this test.
bool isNameTaken(const QString &path);

// Writes `bytes` to a new file at `path`, with `permissions`, only if no file
// of that name exists: an existing file is never replaced, even when another
// thread or process takes the name at the same moment.
bool writeFileToNewName(const QString &path, const QByteArray &bytes,
                        QFileDevice::Permissions permissions, QString &error);

// Moves `source` to `destination` only if no file of that name exists. Unlike
// QFile::rename, a name taken at the same moment by another thread or process
// makes this fail instead of being overwritten.
bool moveFileToNewName(const QString &source, const QString &destination, QString &error);

// Moves `source` onto `destination` in one step, replacing the file there:
// at every moment one of the two files is at `destination`. Both must be on
// one file system.
bool moveFileReplacing(const QString &source, const QString &destination, QString &error);

#endif // ATOMICFILE_H
