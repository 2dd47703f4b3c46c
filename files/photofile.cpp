#include "files/photofile.h"

#include <QFile>

#include <utility>

PhotoFile::PhotoFile(const QByteArray &bytes, QFileDevice::Permissions permissions)
    : data(bytes)
    , filePermissions(permissions)
    , read(true)
{ }

PhotoFile PhotoFile::failed(const QString &error)
{
    PhotoFile file;
    file.problem = error;
    return file;
}

PhotoFile PhotoFile::mapped(std::shared_ptr<QFile> file, uchar *address, qint64 size)
{
    PhotoFile photo(QByteArray::fromRawData(reinterpret_cast<const char *>(address), size),
                    file->permissions());
    photo.mapping = std::move(file);
    return photo;
}

static PhotoFileReader &currentReader()
{
    static PhotoFileReader reader;
    return reader;
}

void setPhotoFileReader(PhotoFileReader reader)
{
    currentReader() = std::move(reader);
}

PhotoFile readPhotoFile(const QString &path)
{
    const PhotoFileReader &reader = currentReader();
    return reader ? reader(path) : readPhotoFileFromDisk(path);
}

// The mapping lives as long as the QFile it was made from.
PhotoFile readPhotoFileFromDisk(const QString &path)
{
    auto file = std::make_shared<QFile>(path);
    // Unbuffered: the whole file goes straight into its array.
    if (!file->open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return PhotoFile::failed(file->errorString());
    const qint64 size = file->size();
    if (size > photoMapThresholdBytes) {
        if (uchar *address = file->map(0, size))
            return PhotoFile::mapped(std::move(file), address, size);
    }
    const QByteArray bytes = file->readAll();
    if (file->error() != QFileDevice::NoError)
        return PhotoFile::failed(file->errorString());
    return PhotoFile(bytes, file->permissions());
}
