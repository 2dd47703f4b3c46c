#ifndef FOLDERLOCK_H
#define FOLDERLOCK_H

#include <QString>
#include <QStringList>

#include <vector>

// Keeps a second batch, in this process or another, off the folders a batch
// writes in. Each folder is locked itself, with an advisory lock on an open
// descriptor of it, so every process of the user sees the lock whatever its
// environment, and nothing is written anywhere. The lock goes with the object
// or with the process: a run that dies leaves no stale lock behind.
class FolderLock
{
public:
    FolderLock() = default;
    ~FolderLock();
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

    // Locks every one of `folders` without waiting, or none of them. Empty
    // when taken; otherwise why not, in Spanish.
    QString tryLock(const QStringList &folders);

private:
    void release();

    std::vector<int> descriptors;
};

#endif // FOLDERLOCK_H
