#include "bench/photogenerator.h"

#include "bench/naturalimage.h"
#include "files/atomicfile.h"
#include "metadata/exifwriter.h"
#include "metadata/metadatacopy.h"

#include <QBuffer>
#include <QImageWriter>

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

// libjpeg's own encoder with every component at full resolution, since Qt's
// writer always halves the chroma both ways. Its errors end the benchmark.
static QByteArray fullChromaJpeg(const QImage &picture, int quality)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct info {};
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char *output = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &output, &size);
    info.image_width = JDIMENSION(rgb.width());
    info.image_height = JDIMENSION(rgb.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    for (int c = 0; c < info.num_components; ++c)
        info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        auto *row = const_cast<JSAMPROW>(rgb.constScanLine(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const QByteArray bytes(reinterpret_cast<const char *>(output), qsizetype(size));
    std::free(output);
    return bytes;
}

bool writeGeneratedPhoto(const QString &path, const GeneratedPhoto &photo, QString &error)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(photo.jpegQuality);
    const QImage picture = makeNaturalImage(photo.width, photo.height, photo.seed);
    if (photo.fullChroma) {
        bytes = fullChromaJpeg(picture, photo.jpegQuality);
    } else if (!writer.write(picture)) {
        error = writer.errorString();
        return false;
    }
    PhotoMetadata metadata;
    writeRecordToExif(metadata.exif, photo.position, photo.captureTime);
    if (storeMetadata(bytes, metadata, error) != MetadataResult::Done)
        return false;
    return replaceFileAtomically(path, bytes, error);
}
