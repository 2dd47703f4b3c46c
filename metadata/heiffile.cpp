#include "metadata/heiffile.h"

#include <libheif/heif.h>

#include <mutex>

static constexpr int headBytes = 12;

// Once per process, before the first context; never undone, since photos
// are decoded until the program ends.
static void initializeLibheif()
{
    static std::once_flag once;
    std::call_once(once, [] { heif_init(nullptr); });
}

bool looksLikeHeif(const QByteArray &head)
{
    if (head.size() < headBytes)
        return false;
    // The brand stands in the first box: the head of a whole file is enough.
    return heif_check_filetype(reinterpret_cast<const uint8_t *>(head.constData()), headBytes)
            == heif_filetype_yes_supported;
}

QString libheifVersion()
{
    return QString::fromLatin1(heif_get_version());
}

static QString errorText(const heif_error &error)
{
    return QString::fromUtf8(error.message);
}

HeifFile::HeifFile(const QByteArray &bytes)
    : context((initializeLibheif(), heif_context_alloc()))
{
    const heif_error read = heif_context_read_from_memory_without_copy(
            context, bytes.constData(), size_t(bytes.size()), nullptr);
    if (read.code != heif_error_Ok)
        problem = errorText(read);
    else
        openPrimary();
}

HeifFile::~HeifFile()
{
    if (handle)
        heif_image_handle_release(handle);
    heif_context_free(context);
}

void HeifFile::openPrimary()
{
    const heif_error opened = heif_context_get_primary_image_handle(context, &handle);
    if (opened.code == heif_error_Ok)
        return;
    handle = nullptr;
    problem = errorText(opened);
}
