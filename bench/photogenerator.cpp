#include "bench/photogenerator.h"

#include "bench/naturalimage.h"
#include "files/atomicfile.h"
#include "metadata/exifwriter.h"
#include "metadata/metadatacopy.h"

#include <QBuffer>
#include <QImageWriter>

bool writeGeneratedPhoto(const QString &path, const GeneratedPhoto &photo, QString &error)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(photo.jpegQuality);
    if (!writer.write(makeNaturalImage(photo.width, photo.height, photo.seed))) {
        error = writer.errorString();
        return false;
    }
    PhotoMetadata metadata;
    writeRecordToExif(metadata.exif, photo.position, photo.captureTime);
    if (storeMetadata(bytes, metadata, error) != MetadataResult::Done)
        return false;
    return replaceFileAtomically(path, bytes, error);
}
