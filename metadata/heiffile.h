#ifndef HEIFFILE_H
#define HEIFFILE_H

#include <QByteArray>
#include <QString>

struct heif_context;
struct heif_image_handle;

// True when `head`, the first bytes of a file (12 are enough), starts a HEIF
// file that libheif can read.
bool looksLikeHeif(const QByteArray &head);

// The version of the libheif library loaded, e.g. "1.15.1".
QString libheifVersion();

// A HEIF file held in memory, opened with libheif, holding the handle of its
// primary image. Opening reads the file's boxes only; the image data is
// decoded when asked for.
class HeifFile
{
public:
    // Reads from `bytes` where they are: they must outlive this object.
    explicit HeifFile(const QByteArray &bytes);
    ~HeifFile();
    HeifFile(const HeifFile &) = delete;
    HeifFile &operator=(const HeifFile &) = delete;

    // Null when the file cannot be read or has no primary image; then
    // `error` holds libheif's reason.
    heif_image_handle *primary() const { return handle; }
    QString error() const { return problem; }

private:
    void openPrimary();

    heif_context *context;
    heif_image_handle *handle = nullptr;
    QString problem;
};

#endif // HEIFFILE_H
