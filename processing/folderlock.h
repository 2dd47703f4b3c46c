#ifndef FOLDERLOCK_H
#define FOLDERLOCK_H

#include <QLockFile>
#include <QString>

// Keeps a second batch, in this process or another, off a folder that a
// batch is working on. The lock is a file in the user's runtime folder named
// after the folder's canonical path, never a file in the photo folder. A lock
// left by a run that died is taken over, even one it died writing. Released
// when the object goes.
class FolderLock
{
public:
    explicit FolderLock(const QString &folder);

    // Takes the lock without waiting. Empty when taken; otherwise why not,
    // in Spanish.
    QString tryLock();

private:
    bool removeOwnerlessLock();

    QString folder;
    QString path;
    QLockFile file;
};

#endif // FOLDERLOCK_H
