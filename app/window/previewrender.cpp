#include "app/window/previewrender.h"

#include "files/photofile.h"
#include "geo/positionname.h"
#include "geo/utmposition.h"
#include "metadata/metadatacopy.h"
#include "metadata/stampmarker.h"
#include "processing/batchcontext.h"
#include "processing/photoprocessor.h"
#include "stamping/overlay.h"

#include <QDateTime>
#include <QFileInfo>

// A file as the caches know it: a photo rewritten by a run, or a coordinates
// file rewritten by the altitude fill, is read again.
static QString fileKey(const QString &path)
{
    const QFileInfo info(path);
    return QStringLiteral("%1|%2|%3")
            .arg(path, QString::number(info.size()),
                 QString::number(info.lastModified().toMSecsSinceEpoch()));
}

// Every option that loadBatchResources or readStampValues reads belongs in
// the reading's key.
static QString readingKey(const QString &photoKey, const ProcessingOptions &options)
{
    return QStringList({photoKey, QString::number(options.useExif), fileKey(options.csvPath),
                        fileKey(options.logoPath), options.fontPath,
                        QString::number(options.useGpxTrack), fileKey(options.gpxPath),
                        options.cameraTimeZone, QString::number(options.clockCorrectionSeconds),
                        QString::number(options.maxPointSeparationSeconds), options.outputCrs,
                        QString::number(options.leavePhotosWithoutPosition)})
            .join(QLatin1Char('\n'));
}

// Reads what a run of these options reads for this photo, nothing logged. A
// run these options refuse (a track that cannot be read) places no photo,
// but whether an earlier run stamped it is still told.
static void readForStamps(PreviewSource &source, const PreviewRequest &request,
                          const PhotoFile &photo)
{
    BatchContext context(request.options, QFileInfo(request.photoPath).path(),
                         [](const QString &) {}, {});
    if (loadBatchResources(context).isEmpty()) {
        source.reading = readStampValues(context, request.photoPath, photo);
    } else {
        source.reading = StampReading();
        PhotoMetadata metadata;
        QString error;
        source.reading.alreadyStamped
                = readPhotoMetadata(photo.bytes(), metadata, error) != MetadataResult::Failed
                && readStampMarker(metadata.xmp).has_value();
    }
    source.logo = context.logo;
    source.fontFamily = context.fontFamily;
}

static bool leftAsStamped(const PreviewRequest &request, const PreviewSource &source)
{
    return source.reading.alreadyStamped && !request.options.restampStamped;
}

QString previewNote(const PreviewRequest &request, const PreviewSource &source)
{
    const ProcessingOptions &options = request.options;
    const StampReading &reading = source.reading;
    if (leftAsStamped(request, source))
        return QStringLiteral("Ya estampada");
    if (options.useGpxTrack)
        return QString();
    if (options.useExif) {
        if (!reading.withoutGps)
            return QString();
        return options.leavePhotosWithoutPosition
                ? QStringLiteral("Sin GPS: la foto no se procesará")
                : QStringLiteral("Sin GPS: se usará la posición fija ") + utmName(fallbackPosition);
    }
    if (!QFileInfo(options.csvPath).isFile())
        return QStringLiteral("Elija un archivo de coordenadas");
    return reading.withoutRow ? QStringLiteral("Sin fila en el archivo de coordenadas") : QString();
}

QImage renderPreview(const PreviewRequest &request, PreviewSource &source)
{
    const QString photoKey = fileKey(request.photoPath);
    const QSize &label = request.labelSize;
    const QString pictureKey = QStringLiteral("%1|%2x%3")
                                       .arg(photoKey, QString::number(label.width()),
                                            QString::number(label.height()));
    const QString key = readingKey(photoKey, request.options);
    // The picture and the reading are taken from one read of the photo.
    PhotoFile photo;
    if (source.pictureKey != pictureKey || source.readingKey != key)
        photo = readPhotoFile(request.photoPath);
    if (source.pictureKey != pictureKey) {
        source.photo = loadPhotoReduced(photo.bytes(), label);
        source.pictureKey = pictureKey;
    }
    if (source.photo.picture.isNull())
        return {};
    if (source.readingKey != key) {
        readForStamps(source, request, photo);
        source.readingKey = key;
    }
    QImage picture = source.photo.picture;
    // Stamped only where a run stamps: it opens the photo, finds its position
    // and does not leave it alone as stamped by an earlier run.
    if (source.photo.whole && source.reading.positioned && !leftAsStamped(request, source))
        drawReducedOverlays(picture, source.photo.photoSize, request.options, source.logo,
                            source.fontFamily, source.reading.stamp, {});
    return picture;
}
