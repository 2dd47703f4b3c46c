#include "files/ziparchive.h"

#include <zip.h>

#include <memory>

struct ZipDiscard
{
    void operator()(zip_t *archive) const { zip_discard(archive); }
};
struct SourceFree
{
    void operator()(zip_source_t *source) const { zip_source_free(source); }
};
using ZipArchive = std::unique_ptr<zip_t, ZipDiscard>;
using ZipSource = std::unique_ptr<zip_source_t, SourceFree>;

// Adds `bytes` without copying them: they must live until the archive is
// closed.
static bool addEntry(zip_t *archive, const QString &name, const QByteArray &bytes, bool compress)
{
    zip_source_t *source
            = zip_source_buffer(archive, bytes.constData(), zip_uint64_t(bytes.size()), 0);
    if (!source)
        return false;
    const zip_int64_t index
            = zip_file_add(archive, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        return false;
    }
    return compress || zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_STORE, 0) == 0;
}

static bool addEntries(zip_t *archive, const QVector<ZipEntry> &entries)
{
    for (const auto &entry : entries) {
        if (!addEntry(archive, entry.name, entry.bytes, entry.compress))
            return false;
    }
    return true;
}

static bool readSource(zip_source_t *source, QByteArray &bytes)
{
    if (zip_source_open(source) < 0)
        return false;
    bool read = zip_source_seek(source, 0, SEEK_END) == 0;
    const zip_int64_t size = read ? zip_source_tell(source) : -1;
    read = size >= 0 && zip_source_seek(source, 0, SEEK_SET) == 0;
    if (read) {
        bytes.resize(qsizetype(size));
        read = zip_source_read(source, bytes.data(), zip_uint64_t(size)) == size;
    }
    zip_source_close(source);
    return read;
}

static QString zipErrorText(zip_error_t *zipError)
{
    return QString::fromLocal8Bit(zip_error_strerror(zipError));
}

bool buildZip(const QVector<ZipEntry> &entries, QByteArray &archive, QString &error)
{
    zip_error_t zipError;
    zip_error_init(&zipError);
    ZipSource buffer(zip_source_buffer_create(nullptr, 0, 0, &zipError));
    ZipArchive zip(buffer ? zip_open_from_source(buffer.get(), ZIP_CREATE | ZIP_TRUNCATE, &zipError)
                          : nullptr);
    if (!zip) {
        error = zipErrorText(&zipError);
        zip_error_fini(&zipError);
        return false;
    }
    // The open archive now owns one reference; this keeps the buffer for
    // reading after the close.
    zip_source_keep(buffer.get());
    const bool added = addEntries(zip.get(), entries);
    if (!added || zip_close(zip.get()) < 0) {
        error = zipErrorText(zip_get_error(zip.get()));
        return false;
    }
    zip.release();
    if (!readSource(buffer.get(), archive)) {
        error = zipErrorText(zip_source_error(buffer.get()));
        return false;
    }
    return true;
}
