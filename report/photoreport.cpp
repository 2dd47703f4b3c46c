#include "report/photoreport.h"

#include "coords/coordinatesfile.h"
#include "exports/locationexport.h"
#include "files/photocollection.h"
#include "geo/numbers.h"
#include "geo/positionname.h"
#include "geo/utm.h"
#include "image/photoloader.h"
#include "metadata/exifreader.h"
#include "metadata/photocaption.h"
#include "metadata/stampmarker.h"
#include "processing/workpool.h"
#include "stamping/fontregistry.h"
#include "stamping/stamptext.h"

#include <QDir>
#include <QImageReader>
#include <QLocale>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>

static constexpr double blockGap = 4.0; // millimetres between blocks
static constexpr double pictureGap = 2.0; // millimetres between picture and caption table

QSizeF ReportLayout::body() const
{
    return {page.width() - margins.left() - margins.right(),
            page.height() - margins.top() - margins.bottom() - headerHeight - footerHeight};
}

ReportLayout reportLayout(const ReportSettings &settings)
{
    ReportLayout layout;
    layout.page = settings.paper == ReportPaper::Letter ? QSizeF(215.9, 279.4) : QSizeF(210, 297);
    layout.margins = QMarginsF(20, 15, 20, 15);
    layout.headerHeight = 16;
    layout.footerHeight = 8;
    layout.rowHeight = reportRowHeight;
    layout.columns = settings.photosPerPage == 4 ? 2 : 1;
    layout.rows = settings.photosPerPage == 1 ? 1 : 2;
    const QSizeF body = layout.body();
    layout.block = QSizeF((body.width() - blockGap * (layout.columns - 1)) / layout.columns,
                          (body.height() - blockGap * (layout.rows - 1)) / layout.rows);
    layout.pictureBox = QSizeF(layout.block.width(),
                               layout.block.height() - layout.rowHeight * (1 + captionTableRows)
                                       - pictureGap);
    return layout;
}

static QString metres(double value)
{
    return QString::number(roundHalfAwayFromZero(value));
}

QString reportCoordinatesText(const UtmPosition &position, const CrsTransform *crs)
{
    if (crs)
        return QStringLiteral("%1 · E %2 · N %3")
                .arg(crs->shortName(), metres(position.easting), metres(position.northing));
    return QStringLiteral("%1%2 · E %3 · N %4 · Datum: WGS 84")
            .arg(QString::number(position.zone), QString(QLatin1Char(position.letter)),
                 metres(position.easting), metres(position.northing));
}

QString photoTitle(int number)
{
    return QStringLiteral("Fotografía N° %1").arg(number);
}

static QString dateTimeText(const QDateTime &dateTime)
{
    return dateTime.isValid() ? dateText(dateTime, true) : QStringLiteral("Desconocida");
}

static QString altitudeValue(double altitude)
{
    return metres(altitude) + QStringLiteral(" msnm");
}

QVector<QPair<QString, QString>> captionRows(const ReportPhoto &photo, const CrsTransform *crs)
{
    const UtmPosition &position = photo.record.position;
    QVector<QPair<QString, QString>> rows {
            {QStringLiteral("Descripción"), photo.caption},
            {QStringLiteral("Fecha y hora"), dateTimeText(photo.record.dateTime)},
    };
    if (!photo.located) {
        rows.append({QStringLiteral("Ubicación"), photo.whyUnlocated});
        rows.append({QStringLiteral("Archivo"), photo.record.relativePath});
        return rows;
    }
    rows.append({crs ? QStringLiteral("Coordenadas") : QStringLiteral("Coordenadas UTM"),
                 photo.stampSystem.isEmpty() ? reportCoordinatesText(position, crs)
                                             : reportCoordinatesText(position, crs)
                                 + QStringLiteral(" (Estampa: %1)").arg(photo.stampSystem)});
    if (position.altitude)
        rows.append({QStringLiteral("Altitud"), altitudeValue(*position.altitude)});
    if (position.orientation)
        rows.append({QStringLiteral("Orientación"), orientationText(*position.orientation)});
    rows.append({QStringLiteral("Archivo"), photo.record.relativePath});
    return rows;
}

QStringList summaryHeader()
{
    return {QStringLiteral("N°"),           QStringLiteral("Archivo"),
            QStringLiteral("Fecha y hora"), QStringLiteral("Zona"),
            QStringLiteral("Este"),         QStringLiteral("Norte"),
            QStringLiteral("Altitud"),      QStringLiteral("Orientación"),
            QStringLiteral("Descripción")};
}

QVector<double> summaryColumnShares()
{
    return {0.05, 0.17, 0.14, 0.06, 0.08, 0.09, 0.09, 0.1, 0.22};
}

QString reportSystemText(const PhotoReport &report)
{
    if (const CrsTransform *crs = report.settings.crs.get())
        return crs->shortName();
    const auto sameZone = [&report](const ReportPhoto &photo) {
        const UtmPosition &first = report.located.first().record.position;
        return photo.record.position.zone == first.zone
                && photo.record.position.letter == first.letter;
    };
    if (report.located.isEmpty()
        || !std::all_of(report.located.cbegin(), report.located.cend(), sameZone))
        return QStringLiteral("WGS 84 / UTM (zona de cada foto)");
    const UtmPosition &position = report.located.first().record.position;
    return QStringLiteral("WGS 84 / UTM %1%2")
            .arg(QString::number(position.zone), QString(QLatin1Char(position.letter)));
}

QString summaryTitle(const PhotoReport &report)
{
    return QStringLiteral("Tabla resumen · Coordenadas ") + reportSystemText(report);
}

// A summary row stays one line high: a longer description is cut there and
// given whole in the photo's caption.
static constexpr int summaryDescriptionCharacters = 48;

// Unknown values show a dash, never a number.
static const QString unknownCell = QStringLiteral("—");

// A chosen system that is no UTM system has no zone.
static QStringList summaryRow(const ReportPhoto &photo, const CrsTransform *crs)
{
    const UtmPosition &position = photo.record.position;
    return {QString::number(photo.number),
            photo.record.relativePath,
            photo.record.dateTime.isValid() ? dateText(photo.record.dateTime, true) : unknownCell,
            crs && !crs->utmZone() ? unknownCell
                                   : QString::number(position.zone) + QLatin1Char(position.letter),
            metres(position.easting),
            metres(position.northing),
            position.altitude ? altitudeValue(*position.altitude) : unknownCell,
            position.orientation ? orientationText(*position.orientation) : unknownCell,
            oneLine(photo.caption, summaryDescriptionCharacters)};
}

QStringList unlocatedHeader()
{
    return {QStringLiteral("N°"), QStringLiteral("Archivo"), QStringLiteral("Fecha y hora"),
            QStringLiteral("Motivo"), QStringLiteral("Descripción")};
}

QVector<double> unlocatedColumnShares()
{
    return {0.05, 0.2, 0.15, 0.25, 0.35};
}

static QStringList unlocatedRow(const ReportPhoto &photo)
{
    return {QString::number(photo.number), photo.record.relativePath,
            photo.record.dateTime.isValid() ? dateText(photo.record.dateTime, true) : unknownCell,
            photo.whyUnlocated, oneLine(photo.caption, summaryDescriptionCharacters)};
}

QVector<QStringList> summaryRows(const PhotoReport &report)
{
    QVector<QStringList> rows;
    for (const auto &photo : report.located)
        rows.append(summaryRow(photo, report.settings.crs.get()));
    return rows;
}

QVector<QStringList> unlocatedRows(const PhotoReport &report)
{
    QVector<QStringList> rows;
    for (const auto &photo : report.unlocated)
        rows.append(unlocatedRow(photo));
    return rows;
}

QString headerText(const ReportSettings &settings)
{
    QStringList first {annexTitle(settings.title)};
    if (!settings.project.isEmpty())
        first << QStringLiteral("Proyecto: ") + settings.project;
    if (!settings.client.isEmpty())
        first << QStringLiteral("Cliente: ") + settings.client;
    QStringList second;
    if (!settings.author.isEmpty())
        second << QStringLiteral("Responsable: ") + settings.author;
    if (settings.date.isValid())
        second << QStringLiteral("Fecha: ")
                        + QLocale::c().toString(settings.date, QStringLiteral("dd/MM/yyyy"));
    return first.join(QStringLiteral(" · ")) + QLatin1Char('\n')
            + second.join(QStringLiteral(" · "));
}

QString pageNumberText(int page, int pages)
{
    return QStringLiteral("Página %1 de %2").arg(page).arg(pages);
}

QFont reportFont(const QString &fontPath, double points)
{
    QString family;
    QFont font = stampFont(registerFontFile(fontPath, family) ? family : QString());
    font.setPointSizeF(points);
    return font;
}

QImage readLogo(const QString &path)
{
    return path.isEmpty() ? QImage() : QImageReader(path).read();
}

QImage reportPicture(const QString &path, const QSizeF &boxMillimetres)
{
    const double pixelsPerMillimetre = reportPictureDpi / 25.4;
    const QSize box = (boxMillimetres * pixelsPerMillimetre).toSize();
    const ReducedPhoto reduced = loadPhotoReduced(path, box);
    if (reduced.picture.isNull() || !reduced.whole)
        return {};
    const QImage &picture = reduced.picture;
    if (picture.width() <= box.width() && picture.height() <= box.height())
        return picture;
    return picture.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

bool forEachPicture(ReportRun &run, const QVector<ReportPhoto> &photos,
                    const QSizeF &boxMillimetres,
                    const std::function<void(int index, const QImage &picture)> &use)
{
    QThreadPool *pool = workPool();
    // Enough photos to keep every thread busy while the caller draws.
    const int chunk = std::max(2, 2 * pool->maxThreadCount());
    for (int start = 0; start < photos.size(); start += chunk) {
        if (run.stopped())
            return false;
        const QVector<ReportPhoto> part = photos.mid(start, chunk);
        // A caller that is itself a pool thread would only wait: hand its
        // place to the decoding for as long as it waits.
        const bool callerIsPoolThread = pool->contains(QThread::currentThread());
        if (callerIsPoolThread)
            pool->releaseThread();
        const QList<QImage> pictures = QtConcurrent::blockingMapped<QList<QImage>>(
                pool, part, [boxMillimetres](const ReportPhoto &photo) {
                    return reportPicture(photo.path, boxMillimetres);
                });
        if (callerIsPoolThread)
            pool->reserveThread();
        for (int i = 0; i < pictures.size(); ++i) {
            if (pictures.at(i).isNull() && !run.unreadable.contains(part.at(i).path))
                run.unreadable << part.at(i).path;
            use(start + i, pictures.at(i));
            if (run.pictureDone)
                run.pictureDone();
        }
    }
    return !run.stopped();
}

// The system the photo's stamp was drawn in when it is not the report's. A
// marker from before the system was kept means WGS 84 / UTM in the photo's
// own zone.
static QString differentStampSystem(const Exiv2::XmpData &xmp, const LocationRecord &record,
                                    const CrsTransform *crs)
{
    const auto marker = readStampMarker(xmp);
    if (!marker)
        return {};
    QString stamped = marker->system;
    if (stamped.isEmpty()) {
        UtmPosition own;
        latLonToUtm(record.latitude, record.longitude, own.zone, own.letter, own.easting,
                    own.northing);
        stamped = positionSystemName(own, nullptr);
    }
    return stamped == positionSystemName(record.position, crs) ? QString() : stamped;
}

// The photo at `path` from its bytes, `file`: one read for the position, the
// time and the caption; the picture is decoded later, a few photos at a time.
static ReportPhoto readReportPhoto(const QString &path, const PhotoFile &file,
                                   const QString &folder, const CrsTransform *crs,
                                   const LogCallback &log, QString &transformation,
                                   int &outsideArea)
{
    ReportPhoto photo;
    photo.path = path;
    PhotoMetadata metadata;
    QString error;
    readPhotoMetadata(file.bytes(), metadata, error);
    bool outside = false;
    photo.located = readPhotoLocation(path, metadata.exif, folder, crs, photo.record, log,
                                      &transformation, &outside);
    outsideArea += outside;
    if (!photo.located) {
        // A position the chosen system cannot take is no missing GPS.
        photo.whyUnlocated = crs && readGpsFromExif(metadata.exif)
                ? QStringLiteral("Fuera del sistema %1").arg(crs->shortName())
                : QStringLiteral("Sin posición GPS en la foto");
        PhotoStamp stamp;
        readCaptureDateTime(metadata.exif, stamp.captureTime);
        photo.record = locationRecord(stamp, 0.0, 0.0, path, folder);
    }
    photo.caption = readPhotoCaption(metadata);
    if (photo.located)
        photo.stampSystem = differentStampSystem(metadata.xmp, photo.record, crs);
    return photo;
}

// A photo's own caption wins over the file's.
static void addFileCaptions(QVector<ReportPhoto> &photos, const QMap<QString, QString> &captions)
{
    for (ReportPhoto &photo : photos) {
        if (photo.caption.isEmpty())
            photo.caption = captions.value(photo.record.fileName);
    }
}

PhotoReport collectReport(const ReportSettings &settings, const LogCallback &log,
                          const std::atomic<bool> *stop)
{
    PhotoReport report;
    report.settings = settings;
    const CrsTransform *crs = settings.crs.get();
    if (crs)
        for (const QString &line : crs->choiceLines())
            log(line);
    QVector<ReportPhoto> photos;
    std::vector<QString> transformations;
    int outsideArea = 0;
    for (const QString &path : collectPhotos(settings.folder, settings.includeSubdirectories)) {
        if (stop && stop->load())
            return report;
        const PhotoFile file = readPhotoFile(path);
        const QString problem = photoReadProblem(file);
        if (!problem.isEmpty()) {
            const QString name = QDir(settings.folder).relativeFilePath(path);
            log(QStringLiteral("Error: No se pudo leer %1, queda fuera del registro: %2")
                        .arg(name, problem));
            report.unreadableFiles << name;
            continue;
        }
        photos.append(readReportPhoto(path, file, settings.folder, crs, log,
                                      transformations.emplace_back(), outsideArea));
    }
    for (const QString &line : transformationLines(transformations))
        log(line);
    if (crs && outsideArea > 0)
        log(crs->outsideAreaCountLine(outsideArea));
    if (!settings.captionsFile.isEmpty())
        addFileCaptions(photos, readCoordinateDescriptions(settings.captionsFile, log));
    QVector<LocationRecord> records;
    int otherStamps = 0;
    for (const ReportPhoto &photo : std::as_const(photos)) {
        records.append(photo.record);
        otherStamps += !photo.stampSystem.isEmpty();
    }
    if (otherStamps > 0)
        log(QStringLiteral("%1 fotos llevan estampas en otro sistema de coordenadas que el del "
                           "registro; su pie lo indica («Estampa: …»).")
                    .arg(otherStamps));
    const bool byInstant = instantsKnown(records);
    std::sort(photos.begin(), photos.end(),
              [byInstant](const ReportPhoto &a, const ReportPhoto &b) {
                  return capturedBefore(a.record, b.record, byInstant);
              });
    for (ReportPhoto &photo : photos) {
        if (photo.located) {
            photo.number = int(report.located.size()) + 1;
            report.located.append(photo);
        } else {
            log(QStringLiteral("Sin ubicación (%1), se muestra al final: %2")
                        .arg(photo.whyUnlocated, photo.record.relativePath));
            report.unlocated.append(photo);
        }
    }
    for (int i = 0; i < report.unlocated.size(); ++i)
        report.unlocated[i].number = int(report.located.size()) + i + 1;
    return report;
}
