#include "image/heifdecoder.h"

#include "image/photosizelimit.h"
#include "metadata/heiffile.h"

#include <libheif/heif.h>

#include <memory>

// Bytes per pixel of the painted image (RGB32 or ARGB32), as Qt counts them
// against its allocation limit for a JPEG.
static constexpr qint64 paintedPixelBytes = 4;

static bool exceedsPhotoLimit(int width, int height)
{
    return qint64(width) * height * paintedPixelBytes
            > qint64(photoAllocationLimitMegabytes) * 1024 * 1024;
}

QImage decodeHeif(const QByteArray &bytes, QString &reason)
{
    const HeifFile file(bytes);
    heif_image_handle *handle = file.primary();
    if (!handle) {
        reason = QStringLiteral("libheif no puede leer el archivo HEIF (%1).").arg(file.error());
        return {};
    }
    const int width = heif_image_handle_get_width(handle);
    const int height = heif_image_handle_get_height(handle);
    if (width <= 0 || height <= 0 || exceedsPhotoLimit(width, height)) {
        reason = QStringLiteral("la imagen HEIF mide %1 × %2 píxeles y excede el tamaño admitido.")
                         .arg(width)
                         .arg(height);
        return {};
    }
    const bool alpha = heif_image_handle_has_alpha_channel(handle);
    heif_image *decoded = nullptr;
    // Without options libheif applies the rotation and mirroring, and gives
    // 8 bits per channel for these chroma formats.
    const heif_error error = heif_decode_image(
            handle, &decoded, heif_colorspace_RGB,
            alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, nullptr);
    const std::unique_ptr<heif_image, decltype(&heif_image_release)> image(decoded,
                                                                           heif_image_release);
    int stride = 0;
    const uint8_t *pixels = image
            ? heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride)
            : nullptr;
    if (error.code != heif_error_Ok || !pixels) {
        reason = QStringLiteral("libheif no puede decodificar la imagen HEIF (%1).")
                         .arg(QString::fromUtf8(error.message));
        return {};
    }
    const QImage view(pixels, heif_image_get_width(image.get(), heif_channel_interleaved),
                      heif_image_get_height(image.get(), heif_channel_interleaved), stride,
                      alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    // A copy that owns its pixels, made before libheif's image is released.
    return view.convertToFormat(alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
}
