#ifndef PHOTOFILE_H
#define PHOTOFILE_H

#include <QByteArray>
#include <QFileDevice>
#include <QString>

#include <functional>
#include <memory>

class QFile;

// Photos larger than this are mapped instead of read into memory: their pages
// come from the file as the steps reach them, and the system can drop them
// again, so they take nothing from the batch's memory budget.
inline constexpr qint64 photoMapThresholdBytes = qint64(64) << 20;

// What reading a photo file of `size` bytes takes from memory.
inline qint64 photoFileMemoryBytes(qint64 size)
{
    return size > photoMapThresholdBytes ? 0 : size;
}

// The bytes of one photo file, taken from it with one open: read whole, or
// mapped when the file is larger than photoMapThresholdBytes. Every step that
// looks at a photo (its checks, its metadata, its decoding, its copies) works
// on these bytes, so the file is opened once however many steps there are.
// Copies share the bytes; a mapping lasts as long as any copy.
class PhotoFile
{
public:
    PhotoFile() = default;
    // Bytes that are already in memory, as a read of a file would give them.
    PhotoFile(const QByteArray &bytes, QFileDevice::Permissions permissions);

    // False when the file could not be opened or read; then `error` says why.
    bool isRead() const { return read; }
    QString error() const { return problem; }
    const QByteArray &bytes() const { return data; }
    // The file's own permissions, for copies of it.
    QFileDevice::Permissions permissions() const { return filePermissions; }
    // What the bytes take from memory: nothing when mapped.
    qint64 heldBytes() const { return mapping ? 0 : data.size(); }

    static PhotoFile failed(const QString &error);
    static PhotoFile mapped(std::shared_ptr<QFile> file, uchar *address, qint64 size);

private:
    QByteArray data;
    std::shared_ptr<QFile> mapping; // the open file the bytes are mapped from
    QFileDevice::Permissions filePermissions;
    QString problem;
    bool read = false;
};

// Reads the photo at `path` through the reader in use: readPhotoFileFromDisk
// unless another was put in its place.
PhotoFile readPhotoFile(const QString &path);

// One open, then one read of the whole file, or a map of it.
PhotoFile readPhotoFileFromDisk(const QString &path);

// Puts `reader` in the place of readPhotoFileFromDisk for every later read,
// on every thread; an empty one puts the disk back. Set it only while no
// photo is being read: tests count the reads of a run with it.
using PhotoFileReader = std::function<PhotoFile(const QString &path)>;
void setPhotoFileReader(PhotoFileReader reader);

#endif // PHOTOFILE_H
