#include "coords/coordinatesfile.h"
#include "exports/locationexport.h"
#include "files/photocollection.h"
#include "files/photofile.h"
#include "geo/angletext.h"
#include "image/photoloader.h"
#include "image/pixelbudget.h"
#include "metadata/exifreader.h"
#include "metadata/exiv2image.h"
#include "metadata/exiv2setup.h"
#include "metadata/metadatacopy.h"
#include "metadata/photocaption.h"
#include "metadata/stampmarker.h"
#include "processing/batchcontext.h"
#include "processing/batchsummary.h"
#include "processing/folderlock.h"
#include "processing/photoprocessor.h"
#include "processing/photorestore.h"
#include "processing/stampreading.h"
#include "processing/workpool.h"
#include "stamping/stamptext.h"
#include "tests/support/files.h"
#include "tests/support/testphotos.h"

#include <QtConcurrent>
#include <QtGui>
#include <QtTest>

#include <cstdio>
#include <memory>
#include <sys/stat.h>

static const QString santiago = QStringLiteral("19H 345713 6297592.jpg");

static TestPhoto photoAt(double latitude, double longitude)
{
    TestPhoto photo = gpsPhoto();
    photo.latitude = latitude;
    photo.longitude = longitude;
    return photo;
}

// Stamps again what an earlier run stamped, for tests that run twice over a folder.
static ProcessingOptions exifOptions(bool rename = true)
{
    ProcessingOptions options;
    options.useExif = true;
    options.renamePhotos = rename;
    options.restampStamped = true;
    return options;
}

// The window's EXIF run: renamed, with backups, under `prefix` when given.
static ProcessingOptions exifRun(const QString &prefix = {})
{
    ProcessingOptions options = exifOptions();
    options.restampStamped = false;
    options.makeBackup = true;
    options.usePrefix = !prefix.isEmpty();
    options.prefix = prefix;
    return options;
}

static QByteArray jpeg(int width, int height)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    makeNaturalImage(width, height).save(&buffer, "JPEG", 90);
    return bytes;
}

// `heif` with the size its images claim (in their "ispe" boxes) changed.
static QByteArray withClaimedSize(QByteArray heif, quint32 width, quint32 height)
{
    for (qsizetype box = heif.indexOf("ispe"); box >= 0; box = heif.indexOf("ispe", box + 1)) {
        qToBigEndian(width, heif.data() + box + 8);
        qToBigEndian(height, heif.data() + box + 12);
    }
    return heif;
}

// heif-enc keeps a JPEG's pixels as stored and copies its EXIF Orientation
// unchanged, adding no rotation of its own. Its "pixi" box of the primary
// image becomes an "irot" of the same size: a quarter turn anticlockwise,
// as a phone stores a portrait photo.
static QByteArray turnedByRotationProperty(QByteArray heif)
{
    const qsizetype box = heif.indexOf("pixi");
    if (box < 4 || qFromBigEndian<quint32>(heif.constData() + box - 4) != 16)
        return {};
    heif.replace(box, 12, QByteArray("irot\x01", 5) + QByteArray(7, '\0'));
    return heif;
}

// What a run left: its log, without the folder's path and the clock, and
// each file below the folder, by relative path, as a picture when it is one
// (the bytes of a saved photo carry the run's time) and otherwise as bytes.
struct RunTrace
{
    QStringList log;
    QMap<QString, QImage> pictures;
    QMap<QString, QByteArray> others;
};

static RunTrace traceOf(const QString &folder, const BatchResult &result)
{
    RunTrace trace;
    for (QString line : result.log) {
        if (!line.startsWith(QStringLiteral("Se procesaron")))
            trace.log << line.replace(folder, QStringLiteral("<carpeta>"));
    }
    const auto contents = folderContents(folder);
    for (auto file = contents.cbegin(); file != contents.cend(); ++file) {
        const QImage picture = QImage::fromData(file.value());
        if (!picture.isNull())
            trace.pictures[file.key()] = picture;
        // A ZIP file carries the time it was made.
        else if (!file.key().endsWith(QLatin1String(".kmz")))
            trace.others[file.key()] = file.value();
    }
    return trace;
}

// The last line of a photo's group before any "Motivo: " line explaining it.
static QString lastLine(const BatchResult &result, const QString &name)
{
    QStringList group = logGroup(result.log, name);
    if (!group.isEmpty() && group.last().startsWith(QStringLiteral("Motivo: ")))
        group.removeLast();
    return group.value(group.size() - 1);
}

class BatchTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString folder; // a fresh batch folder for every test

    QString write(const QString &relative, const TestPhoto &photo = gpsPhoto())
    {
        const QString path = QDir(folder).filePath(relative);
        if (!writeTestPhoto(path, photo))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    QString at(const QString &relative) const { return QDir(folder).filePath(relative); }

private slots:
    void initTestCase() { initializeExiv2(); }

    void init()
    {
        static int count = 0;
        folder = dir.filePath(QStringLiteral("batch%1").arg(++count));
        QVERIFY(QDir().mkpath(folder));
    }

    void rowsReplaceMetadataAndPhotosWithoutRowStay()
    {
        TestPhoto photo;
        photo.extraExif["Exif.Image.Make"] = "Cámara";
        photo.iptc["Iptc.Application2.Caption"] = "pie";
        const QString path = write("a.jpg", photo);
        const QByteArray untouched = fileBytes(write("sin fila.jpg", photo));
        ProcessingOptions options;
        options.csvPath = folder + ".txt";
        options.renamePhotos = options.embedCsvInExif = true;
        QVERIFY(writeBytes(
                options.csvPath,
                QByteArray(coordinatesFileHeader)
                        + "\na.jpg;19;H;345678.4;6299999.6;90;2024-03-05 14:30:00;12.5\n"));
        const BatchResult result = runBatch(folder, options);
        const QString renamed = folder + "/19H 345678 6300000.jpg";
        QCOMPARE(lastLine(result, "sin fila.jpg"),
                 "Coordenadas UTM no encontradas en archivo TXT para sin fila.jpg");
        QCOMPARE(fileBytes(at("sin fila.jpg")), untouched);
        PhotoMetadata saved;
        QString error;
        QCOMPARE(copyMetadata(renamed, saved, error), MetadataResult::Done);
        // Only the photo's caption outlives the new metadata.
        QVERIFY(saved.exif.findKey(Exiv2::ExifKey("Exif.Image.Make")) == saved.exif.end());
        QCOMPARE(int(saved.iptc.count()), 2); // the caption and its character set
        QCOMPARE(readPhotoCaption(saved), "pie");
        const auto gps = readGpsFromExif(renamed);
        QVERIFY(gps && gps->direction && gps->altitude.metres);
        QCOMPARE(QString("%1 %2").arg(*gps->direction).arg(*gps->altitude.metres), "90 12.5");
        QDateTime captured;
        QVERIFY(readCaptureDateTime(renamed, captured));
        QCOMPARE(captured, QDateTime(QDate(2024, 3, 5), QTime(14, 30)));
    }

    void photosWithoutGpsGoToTheFixedPositionOrStay_data()
    {
        QTest::addColumn<bool>("leave");
        QTest::addColumn<QString>("crs");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("end");
        const QString fixedEnd = "1 foto(s) sin datos GPS quedaron en las coordenadas "
                                 "fijas 19J 500000 6000000: sin gps.jpg.";
        QTest::newRow("fixed position")
                << false << ""
                << QStringList {"19H 345713 6297592.jpg", "19J 500000 6000000.jpg", "Backup"}
                << fixedEnd;
        // The fixed place is WGS 84 / UTM: 500206.08 6000309.46 in PSAD56 (cs2cs).
        QTest::newRow("fixed position in PSAD56")
                << false << "EPSG:24879"
                << QStringList {"19H 345896 6297965.jpg", "19J 500206 6000309.jpg", "Backup"}
                << fixedEnd;
        QTest::newRow("left untouched")
                << true << "" << QStringList {"19H 345713 6297592.jpg", "Backup", "sin gps.jpg"}
                << "1 foto(s) quedaron sin procesar por no tener posición: sin gps.jpg.";
    }

    void photosWithoutGpsGoToTheFixedPositionOrStay()
    {
        QFETCH(bool, leave);
        write("con gps.jpg");
        const QByteArray untouched = fileBytes(write("sin gps.jpg", TestPhoto()));
        ProcessingOptions options = exifRun();
        options.leavePhotosWithoutPosition = leave;
        QFETCH(QString, crs);
        options.outputCrs = crs;
        const BatchResult result = runBatch(folder, options);
        QTEST(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), "files");
        QCOMPARE(QDir(at("Backup")).entryList(QDir::Files).size(), leave ? 1 : 2);
        QTEST(result.log.last(), "end");
        const QStringList photo = {at("sin gps.jpg")};
        QCOMPARE(result.outcome.fixedPosition, leave ? QStringList() : photo);
        QCOMPARE(result.outcome.withoutPosition, leave ? photo : QStringList());
        if (leave)
            QCOMPARE(fileBytes(at("sin gps.jpg")), untouched);
        // The marker names the system the stamp was drawn in.
        const auto marker
                = readStampMarkerFromFile(at(QDir(folder).entryList(QDir::Files).first()));
        QVERIFY(marker);
        QCOMPARE(marker->system, crs.isEmpty() ? "WGS 84 / UTM 19H" : "PSAD56 / UTM 19S");
    }

    void exifIptcAndXmpSurviveAndTurnedPhotosAreMarkedUpright()
    {
        TestPhoto photo = gpsPhoto(60, 40);
        photo.orientation = 6;
        photo.extraExif["Exif.Image.Make"] = "Cámara";
        photo.iptc["Iptc.Application2.Caption"] = "pie";
        photo.xmp["Xmp.dc.title"] = "título";
        const QString path = write("a.jpg", photo);
        runBatch(folder, exifOptions(false));
        QCOMPARE(QImage(path).size(), QSize(40, 60));
        PhotoMetadata saved;
        QString error;
        QCOMPARE(copyMetadata(path, saved, error), MetadataResult::Done);
        QCOMPARE(saved.exif["Exif.Image.Orientation"].toString(), "1");
        QCOMPARE(saved.exif["Exif.Image.Make"].toString(), "Cámara");
        QCOMPARE(saved.exif["Exif.Photo.DateTimeOriginal"].toString(), "2024:03:05 14:30:00");
        QCOMPARE(saved.iptc["Iptc.Application2.Caption"].toString(), "pie");
        QVERIFY(QString::fromStdString(saved.xmp["Xmp.dc.title"].toString()).contains("título"));
    }

    void keptCompressionLeavesThePixelsAsStored_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("fromRow");
        QTest::addColumn<QString>("line");
        const QString kept = QStringLiteral("Compresión original conservada fuera de las marcas.");
        QTest::newRow("JPEG turned by EXIF") << "a.jpg" << false << kept;
        QTest::newRow("EXIF made anew from a row") << "a.jpg" << true << kept;
        QTest::newRow("PNG") << "a.png" << false
                             << "Se recodifica la foto entera: la foto no es JPEG.";
    }

    // The stored pixels keep their orientation, so the Orientation tag must
    // stay, also in EXIF made from a coordinates-file row.
    void keptCompressionLeavesThePixelsAsStored()
    {
        QFETCH(QString, name);
        QFETCH(bool, fromRow);
        QFETCH(QString, line);
        TestPhoto photo = gpsPhoto(320, 160);
        photo.orientation = 6;
        const QString path = write(name, photo);
        ProcessingOptions options = exifOptions(false);
        if (fromRow) {
            options.useExif = false;
            options.embedCsvInExif = true;
            options.csvPath = folder + ".txt";
            QVERIFY(writeBytes(options.csvPath,
                               QByteArray(coordinatesFileHeader)
                                       + "\na.jpg;19;H;345678;6299999;90;;\n"));
        }
        options.losslessStamps = options.drawGeo = options.bgText = true;
        options.coordsPosition = QStringLiteral("abajo-derecha");
        options.fontSizeRatio = 0.05;
        options.fontColor = Qt::white;
        const BatchResult result = runBatch(folder, options);
        QVERIFY2(logGroup(result.log, name).contains(line), qPrintable(result.log.join('\n')));
        if (!name.endsWith(QLatin1String(".jpg")))
            return;
        QImageReader reader(path);
        reader.setAutoTransform(false);
        QCOMPARE(reader.size(), QSize(320, 160));
        PhotoMetadata saved;
        QString error;
        QCOMPARE(copyMetadata(path, saved, error), MetadataResult::Done);
        QCOMPARE(saved.exif["Exif.Image.Orientation"].toString(), "6");
    }

    // "Insertar datos del CSV en EXIF" carries the row's description into the
    // photo; a row without one keeps the photo's own.
    void rowDescriptionGoesIntoTheNewMetadata_data()
    {
        QTest::addColumn<QByteArray>("row");
        QTest::addColumn<QString>("own");
        QTest::addColumn<QString>("caption");
        QTest::newRow("row's description")
                << QByteArray("a.jpg;19;H;345678;6299999;90;;;Talud norte") << "Vieja"
                << "Talud norte";
        QTest::newRow("row without one keeps the photo's")
                << QByteArray("a.jpg;19;H;345678;6299999;90;;") << "Vieja"
                << "Vieja";
        QTest::newRow("neither") << QByteArray("a.jpg;19;H;345678;6299999") << ""
                                 << "";
    }

    void rowDescriptionGoesIntoTheNewMetadata()
    {
        QFETCH(QByteArray, row);
        QFETCH(QString, own);
        TestPhoto photo = gpsPhoto();
        if (!own.isEmpty())
            photo.xmp["Xmp.dc.description"] = own;
        const QString path = write("a.jpg", photo);
        ProcessingOptions options = exifOptions(false);
        options.useExif = false;
        options.embedCsvInExif = true;
        options.csvPath = folder + ".txt";
        QVERIFY(writeBytes(options.csvPath, row + "\n"));
        runBatch(folder, options);
        QTEST(readPhotoCaption(path), "caption");
    }

    // Visible photo files at any depth, never the backups of any run, links
    // or others; names that are not text are reported, not skipped silently.
    void collectsPhotosAndCountsProgress()
    {
        const QStringList names = {"IMG_01.JPG",   "a.Jpeg",       "b.png",     "c.TIFF",
                                   "señal ñú.jpg", "100%2 %1.jpg", "sub/d.jpg", "sub/x/e.jpg"};
        for (const QString &name : names
                     + QStringList {".h.jpg", "Backup/a_backup.jpg", "sub/Backup/d_backup.jpg",
                                    "sub/x/Backup/e_backup.jpg", ".hidden/f.jpg"})
            write(name);
        QVERIFY(writeBytes(at("a.bmp"), "BM") && writeBytes(at("a.jpg.txt"), "texto"));
        QVERIFY(QFile::link(at("b.png"), at("link.jpg")));
        // Latin-1 names on a UTF-8 system: a photo, and a folder of photos.
        const QByteArray latin1 = QFile::encodeName(folder) + "/Pe\xF1on";
        QVERIFY(::mkdir(latin1, 0755) == 0);
        for (const QByteArray &path : {latin1 + ".jpg", latin1 + "/ok.jpg"}) {
            std::FILE *file = std::fopen(path, "w");
            QVERIFY(file && std::fwrite("\xFF\xD8\xFF", 1, 3, file) == 3 && std::fclose(file) == 0);
        }
        for (const bool subfolders : {false, true}) {
            ProcessingOptions options = exifOptions(false);
            options.includeSubdirectories = subfolders;
            const BatchResult result = runBatch(folder, options);
            const int total = subfolders ? 8 : 6;
            QSet<QString> expectedNames;
            for (const QString &name : names.mid(0, total))
                expectedNames << QFileInfo(name).fileName();
            QStringList processed;
            for (const QString &line : result.log.filter("\nProcesando: "))
                processed << QFileInfo(line.mid(13)).fileName();
            QCOMPARE(QSet<QString>(processed.begin(), processed.end()), expectedNames);
            for (const QString &name : processed)
                QCOMPARE(lastLine(result, name), "Metadatos escritos para " + name);
            QCOMPARE(result.progress.size(), total + 1);
            QCOMPARE(result.progress.first(), qMakePair(0, total));
            QCOMPARE(result.progress.last(), qMakePair(total, total));
            QVERIFY(result.log.last().startsWith(
                    QString("Se procesaron %1 de %1 fotos en ").arg(total)));
            const QStringList badNames = result.log.filter("su nombre no es texto válido");
            QCOMPARE(badNames.size(), subfolders ? 2 : 1);
            QVERIFY2(badNames.first().startsWith("Se omite " + at("Pe\uFFFDon")),
                     qPrintable(badNames.first()));
        }
    }

    // Photos of one batch race for one name: each gets its own, none is lost.
    void photosRacingForOneNameEachGetTheirOwn_data()
    {
        QTest::addColumn<bool>("usePrefix");
        QTest::addColumn<QString>("base");
        QTest::newRow("same position") << false << "19H 345713 6297592";
        QTest::newRow("no GPS, prefix with %2") << true << "Obra %2 19J 500000 6000000";
    }

    // The numbers follow the collection's order, not the threads': the first
    // photo, the slowest, still gets the name without a number.
    void photosRacingForOneNameEachGetTheirOwn()
    {
        QFETCH(bool, usePrefix);
        QFETCH(QString, base);
        QStringList expected = {base + ".jpg"};
        for (int i = 0; i < 24; ++i) {
            TestPhoto photo = usePrefix ? TestPhoto() : gpsPhoto();
            photo.width = photo.height = i == 0 ? 1600 : 48;
            write(QStringLiteral("p%1.jpg").arg(i, 2, 10, QLatin1Char('0')), photo);
            if (i > 0)
                expected << QStringLiteral("%1 (%2).jpg").arg(base, QString::number(i));
        }
        ProcessingOptions options = exifOptions();
        options.usePrefix = usePrefix;
        options.prefix = "Obra %2 ";
        // A thread a photo: they reach the same free name at the same moment.
        const int threads = workPool()->maxThreadCount();
        workPool()->setMaxThreadCount(24);
        runBatch(folder, options);
        workPool()->setMaxThreadCount(threads);
        for (int i = 0; i < 24; ++i) {
            const auto marker = readStampMarkerFromFile(at(expected.at(i)));
            QVERIFY2(marker, qPrintable(expected.at(i)));
            QCOMPARE(marker->originalName,
                     QStringLiteral("p%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
        }
        QStringList names = fileNames(folder);
        names.sort();
        expected.sort();
        QCOMPARE(names, expected);
        runBatch(folder, options); // a second run: each photo keeps the name it has
        QCOMPARE(fileNames(folder), names);
    }

    void backupsAreNumberedAcrossRuns()
    {
        const QByteArray original = fileBytes(write("sub/a.jpg"));
        ProcessingOptions options = exifOptions(false);
        options.makeBackup = options.includeSubdirectories = true;
        runBatch(folder, options);
        const QByteArray once = fileBytes(at("sub/a.jpg"));
        runBatch(folder, options);
        runBatch(folder, options);
        QCOMPARE(fileNames(at("Backup/sub")),
                 QStringList({"a_backup(1).jpg", "a_backup(2).jpg", "a_backup.jpg"}));
        QCOMPARE(fileBytes(at("Backup/sub/a_backup.jpg")), original);
        QCOMPARE(fileBytes(at("Backup/sub/a_backup(1).jpg")), once);
    }

    // Another batch's photo in the output folder is never replaced.
    void outputFolderMirrorsSubfoldersButNeverIsTheBatchFolder()
    {
        const QByteArray top = fileBytes(write("a.jpg", photoAt(-33.4, -70.6)));
        const QByteArray deep = fileBytes(write("x/y/b.jpg", photoAt(-33.5, -70.7)));
        ProcessingOptions options = exifOptions();
        options.includeSubdirectories = options.useOutputFolder = true;
        options.outputFolder = folder + "-salida";
        QVERIFY(writeBytes(options.outputFolder + "/a.jpg", "otra tanda"));
        runBatch(folder, options);
        QCOMPARE(fileNames(options.outputFolder), QStringList({"19H 351205 6303224.jpg", "a.jpg"}));
        QCOMPARE(fileBytes(options.outputFolder + "/a.jpg"), "otra tanda");
        QCOMPARE(fileNames(options.outputFolder + "/x/y"), QStringList {"19H 342086 6291988.jpg"});
        options.outputFolder = folder + "/.";
        const BatchResult result = runBatch(folder, options);
        QCOMPARE(lastLine(result, "a.jpg"),
                 "Omitiendo archivo, la ruta de origen y destino son la misma.");
        QCOMPARE(fileBytes(at("a.jpg")), top);
        QCOMPARE(fileBytes(at("x/y/b.jpg")), deep);
    }

    // Drawn on, so that its pixels change; a PNG becomes a JPEG only when renamed.
    void pngStaysPngUnlessRenamed()
    {
        const QByteArray original = fileBytes(write("a.png"));
        ProcessingOptions options = exifOptions(false);
        options.drawData = true;
        options.fontColor = Qt::red;
        runBatch(folder, options);
        QCOMPARE(fileNames(folder), QStringList {"a.png"});
        QVERIFY(fileBytes(at("a.png")).startsWith("\x89PNG") && fileBytes(at("a.png")) != original);
        QVERIFY(readGpsFromExif(at("a.png")));
    }

    void jpegQualityReachesTheEncoder()
    {
        qsizetype sizes[2] = {};
        for (const int quality : {20, 95}) {
            init();
            // Natural pixels: the metadata of a flat photo outweighs them.
            QVERIFY(writeBytes(at("a.jpg"), jpeg(400, 300)));
            ProcessingOptions options = exifOptions(false);
            options.jpegQuality = quality;
            options.drawData = true;
            options.fontColor = Qt::red;
            runBatch(folder, options);
            sizes[quality > 50] = fileBytes(at("a.jpg")).size();
        }
        QVERIFY2(sizes[0] * 3 / 2 < sizes[1],
                 qPrintable(QString("%1 %2").arg(sizes[0]).arg(sizes[1])));
    }

    void badFilesCostOnlyThemselves()
    {
        write("good.jpg");
        const QByteArray whole = fileBytes(write("cut.jpg"));
        // Cut inside the compressed pixels, where Qt would fill the rest in grey.
        QVERIFY(writeBytes(at("cut.jpg"),
                           whole.left((whole.lastIndexOf("\xFF\xDA") + whole.size()) / 2)));
        QVERIFY(writeBytes(at("empty.jpg"), {}) && writeBytes(at("text.jpg"), "no soy una foto"));
        QVERIFY(QFile::rename(write("png.png", photoAt(-33.4, -70.6)), at("png inside.jpg")));
        const QMap<QString, QByteArray> before = folderContents(folder);
        const BatchResult result = runBatch(folder, exifOptions());
        for (const QString name : {"cut.jpg", "empty.jpg", "text.jpg"}) {
            QCOMPARE(fileBytes(at(name)), before[name]);
            QCOMPARE(lastLine(result, name), "Error al abrir la imagen: " + at(name));
        }
        QVERIFY(fileBytes(at(santiago)).startsWith("\xFF\xD8"));
        QVERIFY(fileBytes(at("19H 351205 6303224.jpg")).startsWith("\xFF\xD8"));
        // Refused by their first bytes, before they are copied.
        ProcessingOptions options = exifOptions();
        options.useOutputFolder = true;
        options.outputFolder = folder + "-salida";
        const BatchResult copied = runBatch(folder, options);
        QCOMPARE(lastLine(copied, "text.jpg"), "Error al abrir la imagen: " + at("text.jpg"));
        QVERIFY(!QFileInfo::exists(options.outputFolder + "/text.jpg")
                && !QFileInfo::exists(options.outputFolder + "/empty.jpg"));
    }

    void writesThatCannotHappenEndOnlyTheirPhoto_data()
    {
        QTest::addColumn<QString>("blocker"); // a file, or a folder when it ends in '/'
        QTest::addColumn<QString>("placement");
        QTest::addColumn<QString>("line");
        QTest::newRow("output subfolder is a file")
                << "out/sub"
                << "output"
                << "Error: No se pudo crear la estructura de directorios de salida: ";
        QTest::newRow("backup folder is a file") << "batch/Backup/sub"
                                                 << "backup"
                                                 << "Error creando backup de a.jpg";
    }

    void writesThatCannotHappenEndOnlyTheirPhoto()
    {
        QFETCH(QString, blocker);
        QFETCH(QString, placement);
        const QString root = folder + "-root";
        folder = root + "/batch";
        const QByteArray original = fileBytes(write("sub/a.jpg"));
        write("b.jpg", photoAt(-33.4, -70.6));
        QVERIFY(blocker.endsWith('/') ? QDir().mkpath(root + "/" + blocker)
                                      : writeBytes(root + "/" + blocker, {}));
        ProcessingOptions options = exifOptions();
        options.includeSubdirectories = true;
        options.useOutputFolder = placement == "output";
        options.makeBackup = placement == "backup";
        options.outputFolder = root + "/out";
        const BatchResult result = runBatch(folder, options);
        QFETCH(QString, line);
        QVERIFY2(lastLine(result, "a.jpg").startsWith(line), qPrintable(result.log.join('|')));
        QCOMPARE(fileBytes(at("sub/a.jpg")), original);
        QCOMPARE(lastLine(result, "b.jpg"), "Metadatos escritos para 19H 351205 6303224.jpg");
    }

    // A link at a photo's name holds it even when it points nowhere; one at a
    // file the batch writes is replaced. Neither is written through.
    void linksAreNeverWrittenThrough_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("placement");
        QTest::addColumn<QString>("result");
        QTest::newRow("at the UTM name") << santiago << "in place"
                                         << "19H 345713 6297592 (1).jpg";
        QTest::newRow("at the backup name") << "Backup/a_backup.jpg"
                                            << "backup"
                                            << "Backup/a_backup(1).jpg";
        QTest::newRow("at the output copy") << "../out/a.jpg"
                                            << "output"
                                            << "../out/" + santiago;
        QTest::newRow("at a location file") << "ubicaciones.csv"
                                            << "export"
                                            << "ubicaciones.csv";
    }

    void linksAreNeverWrittenThrough()
    {
        QFETCH(QString, link);
        QFETCH(QString, placement);
        QFETCH(QString, result);
        write("a.jpg");
        const QString pointed = folder + "-pointed.jpg";
        QVERIFY(QDir().mkpath(QFileInfo(at(link)).absolutePath()));
        QVERIFY(QFile::link(pointed, at(link)));
        const bool pointsAtFile = placement == "output" || placement == "export";
        if (pointsAtFile)
            QVERIFY(writeBytes(pointed, "original"));
        ProcessingOptions options = exifOptions();
        options.makeBackup = placement == "backup";
        options.useOutputFolder = placement == "output";
        options.exportLocations = placement == "export";
        options.outputFolder = at("../out");
        const BatchResult run = runBatch(folder, options);
        QVERIFY2(QFileInfo::exists(at(result)), qPrintable(run.log.join('|')));
        QCOMPARE(logGroup(run.log, "a.jpg").filter("Metadatos escritos para ").size(), 1);
        QCOMPARE(fileBytes(pointed), pointsAtFile ? QByteArray("original") : QByteArray());
    }

    // The window runs the batch on a work thread; with one core that is the
    // pool's only thread. The preview renders one photo while a batch may hold
    // every work thread.
    void batchesFinishWhateverHoldsTheWorkThreads()
    {
        write("a.jpg");
        QThreadPool *pool = workPool();
        const int threads = pool->maxThreadCount();
        pool->setMaxThreadCount(1);
        write("b.jpg");
        auto future
                = QtConcurrent::run(pool, [this] { return runBatch(folder, exifOptions(false)); });
        QTRY_VERIFY_WITH_TIMEOUT(future.isFinished(), 60000);
        pool->setMaxThreadCount(threads);
        QCOMPARE(future.result().log.filter("Metadatos escritos para ").size(), 2);
        QFile::remove(at("b.jpg"));
        QSemaphore occupied, release;
        for (int i = 0; i < threads; ++i)
            pool->start([&] {
                occupied.release();
                release.acquire();
            });
        occupied.acquire(threads);
        auto single = QtConcurrent::run([this] { return runBatch(folder, exifOptions(false)); });
        QTRY_VERIFY_WITH_TIMEOUT(single.isFinished(), 20000);
        release.release(threads);
        pool->waitForDone();
        QCOMPARE(lastLine(single.result(), "a.jpg"), "Metadatos escritos para a.jpg");
    }

    void failedPhotoSaysWhyAndKeepsItsBytes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // empty: a good photo
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("failure"); // the start of the failure line
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("output"); // empty: in place; "whole" or "kept" compression
        const QString open = "Error al abrir la imagen: ";
        const QByteArray whole = jpeg(640, 480);
        QByteArray claim = jpeg(16, 16);
        claim.replace(claim.indexOf("\xFF\xC0") + 5, 4, QByteArray::fromHex("0FA00FA0"));
        const QString longName = QString(251, QLatin1Char('n')) + ".jpg";
        QTest::newRow("cut in half, end marker added")
                << "a.jpg" << whole.left(whole.size() / 2) + "\xFF\xD9"
                << "" << open << "decodificador"
                << "";
        for (const char *output : {"whole", "kept"})
            QTest::addRow("cut in half, copied to an output folder, %s", output)
                    << "a.jpg" << whole.left(whole.size() / 2) + "\xFF\xD9"
                    << "" << open << "decodificador" << output;
        QTest::newRow("header claims 4000 x 4000")
                << "a.jpg" << claim << "" << open << "muy pocos para los 4000 × 4000 píxeles"
                << "";
        QTest::newRow("255-byte name") << longName << QByteArray() << ""
                                       << "Error creando backup de "
                                       << "255"
                                       << "";
        QTest::newRow("too long prefix")
                << "a.jpg" << QByteArray() << QString(240, 'p') << "Error renombrando a.jpg"
                << "255"
                << "";
    }

    void failedPhotoSaysWhyAndKeepsItsBytes()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, prefix);
        QFETCH(QString, failure);
        QFETCH(QString, reason);
        QFETCH(QString, output);
        QVERIFY(bytes.isEmpty() ? !write(name).isEmpty() : writeBytes(at(name), bytes));
        const auto before = fileBytes(at(name));
        ProcessingOptions options = exifRun(prefix);
        options.useOutputFolder = !output.isEmpty();
        options.outputFolder = folder + "-salida";
        options.losslessStamps = output == "kept";
        const auto group = logGroup(runBatch(folder, options).log, name);
        QVERIFY2(group.value(group.size() - 2).startsWith(failure)
                         && group.last().startsWith("Motivo: ") && group.last().contains(reason),
                 qPrintable(group.join('|')));
        QCOMPARE(fileBytes(at(name)), before);
        // A failed photo leaves no unstamped copy among the results.
        QVERIFY(folderContents(options.outputFolder).isEmpty());
    }

    // Viewers show untagged pixels as sRGB: the photo's colour profile goes
    // with it in every mode, also from a HEIC photo into its JPEG.
    void colourProfileTravelsWithThePhoto_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<QColorSpace>("colours");
        QTest::addColumn<int>("codePoints"); // nclx primaries; 0: the profile itself
        const QColorSpace adobe(QColorSpace::AdobeRgb);
        const QColorSpace p3(QColorSpace::DisplayP3);
        QTest::newRow("JPEG re-encoded whole") << "a.jpg" << false << adobe << 0;
        QTest::newRow("JPEG kept compression") << "a.jpg" << true << adobe << 0;
        QTest::newRow("HEIC with an Adobe RGB profile") << "a.heic" << false << adobe << 0;
        QTest::newRow("HEIC with a Display P3 profile") << "a.heic" << false << p3 << 0;
        // As phones write it: no profile, the primaries and transfer by number.
        QTest::newRow("HEIC with Display P3 by code points") << "a.heic" << false << p3 << 12;
        QTest::newRow("HEIC in sRGB by code points, left untagged")
                << "a.heic" << false << QColorSpace() << 1;
    }

    void colourProfileTravelsWithThePhoto()
    {
        QFETCH(QString, name);
        QFETCH(bool, kept);
        QFETCH(QColorSpace, colours);
        QFETCH(int, codePoints);
        TestPhoto photo = gpsPhoto(640, 480);
        const bool heif = name.endsWith(".heic");
        if (heif && !canWriteTestHeif())
            QSKIP("heif-enc (package libheif-examples) is needed to make HEIF photos");
        if (codePoints == 0)
            photo.colourSpace = colours;
        const int srgbTransfer = 13;
        QVERIFY(codePoints     ? writeNclxTestHeif(at(name), photo, codePoints, srgbTransfer)
                        : heif ? writeTestHeif(at(name), photo)
                               : !write(name, photo).isEmpty());
        ProcessingOptions options = exifRun();
        options.losslessStamps = options.drawGeo = kept;
        const BatchResult result = runBatch(folder, options);
        QCOMPARE(logGroup(result.log, name)
                         .contains("Compresión original conservada fuera de las marcas."),
                 kept);
        PhotoMetadata saved;
        QString error;
        QCOMPARE(copyMetadata(at(santiago), saved, error), MetadataResult::Done);
        const QColorSpace carried = saved.iccProfile.empty()
                ? QColorSpace()
                : QColorSpace::fromIccProfile(QByteArray::fromStdString(saved.iccProfile));
        QCOMPARE(carried, colours);
        QCOMPARE(QImage(at(santiago)).colorSpace(), colours);
    }

    // XMP too large for a JPEG's one segment goes on as Extended XMP; the
    // EXIF, the position and the stamp marker always stay. A stamped photo
    // stamped again carries its extension across.
    void oversizeXmpKeepsEveryTag_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("descriptionBytes");
        QTest::addColumn<bool>("again");
        QTest::newRow("PNG with 100 KB of XMP") << "a.png" << 100000 << false;
        QTest::newRow("PNG with a 2 MB description") << "a.png" << 2000000 << false;
        QTest::newRow("stamped again") << "a.png" << 100000 << true;
        QTest::newRow("fits one segment") << "a.jpg" << 1000 << false;
    }

    void oversizeXmpKeepsEveryTag()
    {
        QFETCH(QString, name);
        QFETCH(int, descriptionBytes);
        QFETCH(bool, again);
        TestPhoto photo = gpsPhoto();
        QString description;
        for (int i = 0; description.size() < descriptionBytes; ++i)
            description += QStringLiteral("línea %1 del pie de foto; ").arg(i);
        photo.xmp["Xmp.dc.description"] = description;
        photo.xmp["Xmp.dc.title"] = "título";
        write(name, photo);
        ProcessingOptions options = exifRun();
        options.restampStamped = again;
        BatchResult result = runBatch(folder, options);
        if (again)
            result = runBatch(folder, options);
        QCOMPARE(result.outcome.failed, 0);
        const QString jpeg = at(santiago);
        const QByteArray bytes = fileBytes(jpeg);
        QVERIFY(jpegIsComplete(bytes) && !QImage::fromData(bytes).isNull());
        const auto gps = readGpsFromExif(jpeg);
        QVERIFY(gps && readStampMarkerFromFile(jpeg));
        QVERIFY2(result.log.filter("Metadatos escritos para").size() == 1,
                 qPrintable(result.log.join('\n')));
        PhotoMetadata saved;
        QString error;
        QCOMPARE(copyMetadata(jpeg, saved, error), MetadataResult::Done);
        QCOMPARE(saved.exif["Exif.Photo.DateTimeOriginal"].toString(), "2024:03:05 14:30:00");
        QCOMPARE(QString::fromStdString(saved.xmp["Xmp.dc.description"].toString()),
                 "lang=\"x-default\" " + description);
        QVERIFY(QString::fromStdString(saved.xmp["Xmp.dc.title"].toString()).contains("título"));
        QCOMPARE(bytes.contains("http://ns.adobe.com/xmp/extension/"), descriptionBytes > 65000);
    }

    // Every step of a photo works on the bytes of its one read. The reader
    // here counts the reads and, once it has read the photo, leaves junk in
    // its file: a step that read the photo again shows in the count, and one
    // that opened the file behind the reader's back finds no photo there, so
    // that the run no longer matches one on the untouched photo.
    void eachPhotoIsReadOnce_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("keepCompression");
        for (const char *name : {"a.jpg", "a.png", "a.heic"}) {
            QTest::addRow("%s re-encoded", name) << QString(name) << false;
            QTest::addRow("%s own compression", name) << QString(name) << true;
        }
    }

    void eachPhotoIsReadOnce()
    {
        QFETCH(QString, name);
        QFETCH(bool, keepCompression);
        const bool heif = name.endsWith(QLatin1String(".heic"));
        if (heif && !canWriteTestHeif())
            QSKIP("heif-enc (package libheif-examples) is needed to make HEIF photos");
        ProcessingOptions options = exifRun();
        options.losslessStamps = keepCompression;
        options.exportLocations = true;
        options.drawTime = options.drawData = options.drawGeo = true;
        options.drawOrientation = options.drawAltitude = options.addCompass = true;
        RunTrace traces[2];
        std::atomic<int> reads {0};
        for (const bool counted : {false, true}) {
            const QString batch = at(counted ? "leída" : "intacta");
            const QString photo = QDir(batch).filePath(name);
            QVERIFY(heif ? writeTestHeif(photo, gpsPhoto()) : writeTestPhoto(photo, gpsPhoto()));
            if (counted)
                setPhotoFileReader([&reads](const QString &path) {
                    ++reads;
                    const PhotoFile file = readPhotoFileFromDisk(path);
                    writeBytes(path, "ya no es una foto");
                    return file;
                });
            const auto diskAgain = qScopeGuard([] { setPhotoFileReader({}); });
            traces[counted] = traceOf(batch, runBatch(batch, options));
        }
        QCOMPARE(reads.load(), 1);
        QVERIFY(traces[0].pictures.contains(santiago));
        QCOMPARE(traces[1].log, traces[0].log);
        QCOMPARE(traces[1].pictures, traces[0].pictures);
        // The original of a HEIF photo is moved to Backup as it is: junk here.
        if (heif)
            for (RunTrace &trace : traces)
                trace.others.remove(QStringLiteral("Backup/a_backup.heic"));
        QCOMPARE(traces[1].others, traces[0].others);
    }

    void heifPhotosBecomeStampedJpegsAndTheirOriginalsStay_data()
    {
        QTest::addColumn<bool>("toOutputFolder");
        QTest::newRow("renamed in place, backups off") << false;
        QTest::newRow("named after it in an output folder") << true;
    }

    // A folder off a phone: JPEG, PNG and HEIF, one turned, one damaged and
    // one too large to decode.
    void heifPhotosBecomeStampedJpegsAndTheirOriginalsStay()
    {
        if (!canWriteTestHeif())
            QSKIP("heif-enc (package libheif-examples) is needed to make HEIF photos");
        QFETCH(bool, toOutputFolder);
        write("a.jpg", TestPhoto());
        write("b.png", TestPhoto());
        TestPhoto turned = gpsPhoto(60, 40);
        turned.orientation = 6;
        turned.xmp["Xmp.dc.description"] = "pie de foto";
        QVERIFY(writeTestHeif(at("c.heic"), turned));
        const QByteArray heif = turnedByRotationProperty(fileBytes(at("c.heic")));
        QVERIFY(writeBytes(at("c.heic"), heif));
        const QByteArray damaged = heif.left(heif.size() / 2);
        QVERIFY(writeBytes(at("d.HEIF"), damaged));
        QVERIFY(writeBytes(at("e.heic"), withClaimedSize(heif, 30000, 30000)));
        QCOMPARE(collectPhotos(folder, false).size(), 5);
        ProcessingOptions options = exifOptions(!toOutputFolder);
        options.useOutputFolder = toOutputFolder;
        options.outputFolder = folder + "-salida";
        const BatchResult result = runBatch(folder, options);

        const QString jpeg = toOutputFolder ? options.outputFolder + "/c.jpg" : at(santiago);
        QCOMPARE(QImage(jpeg).size(), QSize(40, 60));
        PhotoMetadata saved;
        QString error;
        QCOMPARE(copyMetadata(jpeg, saved, error), MetadataResult::Done);
        QCOMPARE(saved.exif["Exif.Image.Orientation"].toString(), "1");
        QCOMPARE(saved.exif["Exif.Photo.DateTimeOriginal"].toString(), "2024:03:05 14:30:00");
        QVERIFY(QString::fromStdString(saved.xmp["Xmp.dc.description"].toString())
                        .contains("pie de foto"));
        const auto gps = readGpsFromExif(jpeg);
        QVERIFY(gps && gps->direction && gps->altitude.metres);
        QCOMPARE(QString("%1 %2").arg(*gps->direction).arg(*gps->altitude.metres), "45 550");
        const QString original = toOutputFolder ? at("c.heic") : at("Backup/c_backup.heic");
        QCOMPARE(fileBytes(original), heif);
        const ReducedPhoto preview = loadPhotoReduced(original, QSize(20, 20));
        QVERIFY(preview.whole);
        QCOMPARE(preview.photoSize, QSize(40, 60));
        QCOMPARE(QFileInfo::exists(at("c.heic")), toOutputFolder);
        const auto marker = readStampMarkerFromFile(jpeg);
        QVERIFY(marker && marker->originalName == "c.heic");
        QCOMPARE(marker->backup, toOutputFolder ? "" : "Backup/c_backup.heic");
        QCOMPARE(lastLine(result, "d.HEIF"), "Error al abrir la imagen: " + at("d.HEIF"));
        QCOMPARE(fileBytes(at("d.HEIF")), damaged);
        QVERIFY(logGroup(result.log, "e.heic").last().contains("excede el tamaño admitido"));
        // A converted photo is gone from a later run and a later export.
        exportFolderLocations(folder, false, [](const QString &) {}, {});
        QCOMPARE(fileBytes(at(csvFileName)).count("c.heic"), toOutputFolder ? 1 : 0);
    }

    void gpsIsReadOnlyFromRationals_data()
    {
        QTest::addColumn<int>("type"); // text, unsigned or signed rationals
        QTest::addColumn<QString>("text");
        QTest::newRow("text") << 0 << "33 26 25.44";
        QTest::newRow("unsigned rationals") << 1 << "33/1 26/1 0/1";
    }

    void gpsIsReadOnlyFromRationals()
    {
        QFETCH(int, type);
        QFETCH(QString, text);
        const auto path = write("a.jpg");
        Exiv2::AsciiValue ascii;
        Exiv2::URationalValue unsignedValue;
        Exiv2::RationalValue signedValue;
        Exiv2::Value *values[] = {&ascii, &unsignedValue, &signedValue};
        values[type]->read(text.toStdString());
        const Exiv2ImagePtr image = openImageFile(path);
        image->exifData()["Exif.GPSInfo.GPSLatitude"] = *values[type];
        image->writeMetadata();
        const auto gps = readGpsFromExif(path);
        QCOMPARE(gps.has_value(), type != 0);
        QCOMPARE(gps ? gps->latitude : 0.0, type != 0 ? -(33 + 26 / 60.0) : 0.0);
    }

    void unreadableXmpIsReported_data()
    {
        QTest::addColumn<QByteArray>("packet");
        QTest::addColumn<int>("lines");
        QTest::newRow("broken") << QByteArray("<x:xmpmeta><rdf:RDF><rdf:Descr") << 1;
        QTest::newRow("valid") << QByteArray("<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
                                             "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-"
                                             "ns#'/></x:xmpmeta>")
                               << 0;
    }

    void unreadableXmpIsReported()
    {
        QFETCH(QByteArray, packet);
        QFETCH(int, lines);
        const QByteArray body = QByteArray("http://ns.adobe.com/xap/1.0/", 29) + packet;
        const char length[] = {char((body.size() + 2) >> 8), char((body.size() + 2) & 0xFF)};
        QVERIFY(writeBytes(at("a.jpg"),
                           jpeg(64, 48).insert(2, "\xFF\xE1" + QByteArray(length, 2) + body)));
        QCOMPARE(runBatch(folder, exifRun()).log.filter("XMP").size(), lines);
    }

    // Names, stamps, CSV and the log in a chosen system, positions from EXIF,
    // from a coordinates file in that system (its EXIF written back in WGS 84)
    // and from a track. References as in geotest, from cs2cs.
    void chosenSystemInEachCoordinatesMode_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("crs");
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<QString>("csvRow"); // easting;northing;epsg in ubicaciones.csv
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("stamp");
        QTest::addColumn<QString>("logged");
        const QString psad = "Transformación: Inverse of PSAD56 to WGS 84 (16) + UTM zone 19S, "
                             "exactitud 17 m.";
        QTest::newRow("EXIF in PSAD56")
                << "exif"
                << "EPSG:24879" << -33.45 << -70.66 << "345896.44;6297965.37;24879"
                << "19H 345896 6297965"
                << "PSAD56 / UTM 19S  E 345896  N 6297965" << psad;
        QTest::newRow("PSAD56 file, WGS 84 EXIF")
                << "csv"
                << "epsg:24879" << -33.45 << -70.66 << "345896.44;6297965.37;24879"
                << "19H 345896 6297965"
                << "PSAD56 / UTM 19S  E 345896  N 6297965" << psad;
        QTest::newRow("track in MAGNA-SIRGAS")
                << "gpx"
                << "EPSG:9377" << 4.711 << -74.0721 << "4881143.15;2078651.31;9377"
                << "EPSG9377 4881143 2078651"
                << "MAGNA-SIRGAS / Origen-Nacional  E 4881143  N 2078651"
                << "Colombia Transverse Mercator, exactitud 1 m.";
        QTest::newRow("zone 19 for a photo in zone 18")
                << "exif"
                << "EPSG:32719" << -36.8201 << -73.0444 << "139214.13;5917445.62;32719"
                << "19H 139214 5917446"
                << "WGS 84 / UTM 19S  E 139214  N 5917446"
                << "a.jpg queda fuera del área de uso de EPSG:32719";
    }

    void chosenSystemInEachCoordinatesMode()
    {
        QFETCH(QString, mode);
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(QString, csvRow);
        QFETCH(QString, name);
        ProcessingOptions options = exifOptions();
        QFETCH(QString, crs);
        options.outputCrs = crs;
        options.exportLocations = true;
        options.useExif = mode == "exif";
        TestPhoto photo = photoAt(latitude, longitude);
        photo.hasGps = options.useExif;
        write("a.jpg", photo);
        if (mode == "csv") {
            write("b.jpg", photo);
            options.csvPath = folder + ".txt";
            options.embedCsvInExif = true;
            const QString row = csvRow.section(';', 0, 1);
            QVERIFY(writeBytes(options.csvPath,
                               QString("a.jpg;19;H;%1\nb.jpg;18;H;%1\n").arg(row).toUtf8()));
        } else if (mode == "gpx") {
            options.useGpxTrack = true;
            options.gpxPath = folder + ".gpx";
            options.cameraTimeZone = "America/Santiago";
            QVERIFY(writeBytes(options.gpxPath,
                               QString("<gpx><trk><trkseg><trkpt lat=\"%1\" lon=\"%2\"><time>"
                                       "2024-03-05T17:30:00Z</time></trkpt></trkseg></trk></gpx>")
                                       .arg(latitude)
                                       .arg(longitude)
                                       .toUtf8()));
        }
        BatchContext context(options, folder, [](const QString &) {}, {});
        QVERIFY(loadBatchResources(context).isEmpty());
        const StampReading reading = readStampValues(context, at("a.jpg"));
        QVERIFY(reading.positioned);
        QTEST(coordinatesText(reading.stamp, false, options.useExif), "stamp");
        // In degrees, EXIF mode stamps the photo's own position as read.
        if (options.useExif)
            QCOMPARE(coordinatesText(reading.stamp, true, true),
                     formatLatLonDms(latitude, longitude));

        const BatchResult result = runBatch(folder, options);
        const QString renamed = at(name + ".jpg");
        QVERIFY2(QFile::exists(renamed), qPrintable(result.log.join('\n')));
        QFETCH(QString, logged);
        QVERIFY2(result.log.join('\n').contains(logged), qPrintable(result.log.join('\n')));
        QVERIFY(fileBytes(at("ubicaciones.csv")).contains(csvRow.toUtf8()));
        if (mode != "csv")
            return;
        QVERIFY(result.log.contains("La fila de b.jpg está en la zona 18, pero PSAD56 / UTM "
                                    "zone 19S es de la zona 19: se omite."));
        const auto gps = readGpsFromExif(renamed);
        QVERIFY(gps);
        QVERIFY(std::abs(gps->latitude - latitude) * 111320 < 0.5);
        QVERIFY(std::abs(gps->longitude - longitude) * 111320 * std::cos(latitude * M_PI / 180)
                < 0.5);
    }

    // Another run holds a folder this one would write in: the batch folder,
    // one of its subfolders, or the output folder.
    void runThatMayNotStartLeavesThePhotos_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("held"); // below the root; empty: none
        QTest::addColumn<bool>("subfolders");
        QTest::addColumn<bool>("output");
        QTest::addColumn<bool>("refused");
        QTest::newRow("parent folder") << "../x/"
                                       << "" << false << false << true;
        QTest::newRow("plain") << "XXX_XXX_SA_"
                               << "" << false << false << false;
        QTest::newRow("folder in use") << "XXX_XXX_SA_"
                                       << "batch" << false << false << true;
        QTest::newRow("subfolder in use") << ""
                                          << "batch/sub" << true << false << true;
        QTest::newRow("subfolder in use, run without") << ""
                                                       << "batch/sub" << false << false << false;
        QTest::newRow("output folder in use") << ""
                                              << "out" << false << true << true;
        QTest::newRow("output subfolder in use") << ""
                                                 << "out/sub" << true << true << true;
        QTest::newRow("NUL") << QString::fromLatin1("Obra\0", 5) << "" << false << false << true;
        QTest::newRow("tab") << "Obra\t"
                             << "" << false << false << true;
        QTest::newRow("DEL") << "Obra\x7f"
                             << "" << false << false << true;
    }

    void runThatMayNotStartLeavesThePhotos()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, held);
        QFETCH(bool, subfolders);
        QFETCH(bool, output);
        QFETCH(bool, refused);
        const QString root = folder + "-root";
        folder = root + "/batch";
        write("a.jpg");
        write("sub/b.jpg");
        QVERIFY(QDir().mkpath(root + "/out/sub"));
        const auto before = folderContents(root);
        FolderLock other;
        QVERIFY(held.isEmpty() || other.tryLock({root + "/" + held}).isEmpty());
        ProcessingOptions options = exifRun(prefix);
        options.includeSubdirectories = subfolders;
        options.useOutputFolder = output;
        options.outputFolder = root + "/out";
        const auto problem = batchStartProblem(folder, options);
        QCOMPARE(!problem.isEmpty(), refused);
        QCOMPARE(runBatch(folder, options).log == QStringList {problem}, refused);
        QCOMPARE(folderContents(root) == before, refused);
    }

    // Photos whose pixels would take the batch past its budget wait for
    // others; one photo always runs, however big. A photo holds its file
    // first and grows its share to decode it: the oldest share always may,
    // so two photos holding their files never wait for each other.
    void pixelBudgetHoldsBackBigPhotos_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<QList<int>>("photos"); // bytes of each photo's pixels
        QTest::addColumn<int>("growth"); // bytes each adds once all hold theirs
        QTest::addColumn<int>("peak"); // most bytes held at once
        QTest::newRow("two big ones, one at a time") << 100 << QList<int> {80, 80, 80} << 0 << 80;
        QTest::newRow("small ones together") << 100 << QList<int> {40, 40} << 0 << 80;
        QTest::newRow("one bigger than the budget") << 100 << QList<int> {150, 10} << 0 << 150;
        QTest::newRow("files held, the oldest decodes first")
                << 100 << QList<int> {30, 30} << 60 << 120;
    }

    void pixelBudgetHoldsBackBigPhotos()
    {
        QFETCH(int, limit);
        QFETCH(QList<int>, photos);
        QFETCH(int, growth);
        PixelBudget budget(limit);
        std::atomic<int> held {0}, peak {0}, holding {0};
        const auto hold = [&](int bytes) {
            const int now = held.fetch_add(bytes) + bytes;
            for (int seen = peak; now > seen && !peak.compare_exchange_weak(seen, now);)
                ;
        };
        QThreadPool pool;
        pool.setMaxThreadCount(int(photos.size()));
        for (const int bytes : photos)
            pool.start([&, bytes] {
                PixelBudgetShare share(budget, bytes);
                hold(bytes);
                if (growth > 0) {
                    // Every photo holds its file before any decodes.
                    ++holding;
                    for (int wait = 0; holding < photos.size() && wait < 1000; ++wait)
                        QThread::msleep(10);
                    share.resize(bytes + growth);
                    hold(growth);
                }
                QThread::msleep(100);
                held.fetch_sub(bytes + growth);
            });
        QVERIFY(pool.waitForDone(20000));
        QTEST(peak.load(), "peak");
    }

    // "estampada*" photos carry an earlier run's marker, "roto*" are no
    // photos at all, "tokio*" were taken in Tokyo, other names are photos
    // with GPS or files of their kind. The log's count line (its time left
    // out) agrees with the summary.
    void summaryCountsEveryKindOfFile_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("stopped");
        QTest::addColumn<QString>("crs");
        QTest::addColumn<QStringList>("summary");
        QTest::addColumn<bool>("warns");
        QTest::addColumn<QString>("countLine");
        const QString done = "El proceso ha finalizado.";
        QTest::newRow("clean") << QStringList {"a.jpg", "b.png"} << false << ""
                               << QStringList {done, "Fotos procesadas: 2."} << false
                               << "Se procesaron 2 de 2 fotos.";
        QTest::newRow("mixed")
                << QStringList {"a.jpg", "estampada.jpg", "roto.jpg", "c.tif",
                                "d.bmp", "e.dng",         "f.gif",    "g.webp",
                                "h.nef", "sub/i.tif",     "notas.txt"}
                << false << ""
                << QStringList {done, "Fotos procesadas: 1.", "Fotos ya estampadas (omitidas): 1.",
                                "Fotos con error: 1.",
                                "Archivos omitidos por formato no compatible: 6 (c.tif, d.bmp, "
                                "e.dng, f.gif, g.webp y 1 más)."}
                << true << "Se procesaron 1 de 3 fotos: 1 ya estampadas (omitidas), 1 con error.";
        QTest::newRow("all stamped before")
                << QStringList {"estampada1.jpg", "estampada2.jpg"} << false << ""
                << QStringList {done, "Fotos ya estampadas (omitidas): 2."} << true
                << "Se procesaron 0 de 2 fotos: 2 ya estampadas (omitidas).";
        QTest::newRow("empty") << QStringList() << false << ""
                               << QStringList {done, "No se encontraron fotos en la carpeta."}
                               << true << "Se procesaron 0 de 0 fotos.";
        QTest::newRow("stopped") << QStringList {"a.jpg", "b.jpg"} << true << ""
                                 << QStringList {"El proceso se detuvo a petición del usuario.",
                                                 "Fotos sin procesar por la detención: 2."}
                                 << true
                                 << "Proceso detenido: se procesaron 0 de 2 fotos: 2 sin "
                                    "procesar por la detención.";
        QTest::newRow("outside the chosen system's area")
                << QStringList {"a.jpg", "tokio.jpg"} << false << "EPSG:24879"
                << QStringList {done, "Fotos procesadas: 2.",
                                "Fotos fuera del área de uso del sistema de coordenadas: 1 "
                                "(tokio.jpg)."}
                << true << "Se procesaron 2 de 2 fotos.";
    }

    void summaryCountsEveryKindOfFile()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, stopped);
        TestPhoto stamped = gpsPhoto();
        stamped.xmp["Xmp.rumbario.stampDate"] = "2024-03-05T10:00:00-03:00";
        for (const QString &name : files) {
            if (name.startsWith("roto") || !name.contains(QRegularExpression("\\.(jpg|png)$")))
                QVERIFY(writeBytes(at(name), "no es una foto"));
            else
                write(name,
                      name.startsWith("estampada")       ? stamped
                              : name.startsWith("tokio") ? photoAt(35.68, 139.69)
                                                         : gpsPhoto());
        }
        ProcessingOptions options = exifRun();
        QFETCH(QString, crs);
        options.outputCrs = crs;
        const BatchResult result = runBatch(folder, options, stopped);
        QTEST(batchSummary(result.outcome), "summary");
        QTEST(summaryWarns(result.outcome), "warns");
        const QStringList counted
                = result.log.filter(QRegularExpression("^(Se|Proceso detenido: se) procesaron "));
        QCOMPARE(counted.size(), 1);
        QTEST(QString(counted.first()).remove(QRegularExpression(" en [0-9hms ]+(?=[:.])")),
              "countLine");
    }

    // Every saved photo is marked; a second run leaves it alone unless asked,
    // and then its marker still leads to a backup of the photo as it was.
    void stampedPhotosAreMarkedAndLeftAloneUnlessRestamped_data()
    {
        QTest::addColumn<bool>("outputFolder");
        QTest::addColumn<bool>("restamp");
        QTest::newRow("in place") << false << false;
        QTest::newRow("in place, stamped again") << false << true;
        QTest::newRow("copy in an output folder") << true << false;
    }

    void stampedPhotosAreMarkedAndLeftAloneUnlessRestamped()
    {
        QFETCH(bool, outputFolder);
        QFETCH(bool, restamp);
        write("a.jpg");
        ProcessingOptions options = exifRun();
        const QString output = folder + "-salida";
        options.useOutputFolder = outputFolder;
        options.outputFolder = output;
        options.makeBackup = !outputFolder;
        QVERIFY(QDir().mkpath(output));
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        runBatch(folder, options);
        const QString stamped = QDir(outputFolder ? output : folder).filePath(santiago);
        auto marker = readStampMarkerFromFile(stamped);
        QVERIFY(marker && marker->stampedAt >= before);
        QCOMPARE(marker->originalName, "a.jpg");
        QCOMPARE(marker->backup, outputFolder ? "" : "Backup/a_backup.jpg");
        if (outputFolder) {
            QVERIFY(!readStampMarkerFromFile(at("a.jpg")));
            return;
        }
        const QByteArray once = fileBytes(stamped);
        options.restampStamped = restamp;
        const BatchResult again = runBatch(folder, options);
        QCOMPARE(fileBytes(stamped) == once, !restamp);
        QCOMPARE(fileNames(at("Backup")).size(), restamp ? 2 : 1);
        QCOMPARE(again.outcome.alreadyStamped, restamp ? QStringList() : QStringList {stamped});
        QCOMPARE(lastLine(again, santiago).startsWith("Ya estampada el "), !restamp);
        marker = readStampMarkerFromFile(stamped);
        QCOMPARE(marker->backup,
                 restamp ? "Backup/" + QFileInfo(santiago).baseName() + "_backup.jpg"
                         : "Backup/a_backup.jpg");
    }

    // a and d come back; b lost its backup, c's name was taken since (by a
    // file that is no photo), e was never stamped, f forges a backup outside
    // "Backup", g was stamped without renaming. A second restore changes nothing; freeing c's name
    // brings c back and empties "Backup", which goes. The location files and
    // the report that describe the stamped photos are named as out of date.
    void restoreBringsBackWhatItCanAndSaysWhyNotTheRest()
    {
        QMap<QString, QByteArray> originals;
        for (const char *name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"})
            originals[name] = fileBytes(write(name));
        runBatch(folder, exifRun());
        originals["g.jpg"] = fileBytes(write("g.jpg"));
        ProcessingOptions keepNames = exifRun();
        keepNames.renamePhotos = false;
        runBatch(folder, keepNames);
        QVERIFY(QFile::remove(at("Backup/b_backup.jpg")));
        QVERIFY(writeBytes(at("c.jpg"), "otro archivo"));
        write("e.jpg");
        TestPhoto forged = gpsPhoto();
        forged.xmp["Xmp.rumbario.stampDate"] = "2024-03-05T10:00:00-03:00";
        forged.xmp["Xmp.rumbario.originalName"] = "x.jpg";
        forged.xmp["Xmp.rumbario.backup"] = "../fuera.jpg";
        write("f.jpg", forged);
        QVERIFY(writeBytes(folder + "/../fuera.jpg", "no es de la carpeta"));
        QVERIFY(writeBytes(at("ubicaciones.kmz"), "")
                && writeBytes(at("registro_fotografico.pdf"), ""));

        const auto restore = [this] {
            QStringList log;
            const RestorePlan plan = planRestore(folder, false);
            restoreOriginals(
                    folder, plan, [&log](const QString &line) { log << line; }, {}, nullptr);
            return restorePlanText(plan) + "\n" + log.join("\n");
        };
        QString log = restore();
        QVERIFY2(log.startsWith("Se restaurarán 4 fotos; 2 no tienen copia de seguridad."),
                 qPrintable(log));
        QVERIFY2(log.contains("Fotos sin estampar (nada que restaurar): c.jpg, e.jpg"),
                 qPrintable(log));
        QVERIFY2(log.contains("el nombre c.jpg lo ocupa otro archivo"), qPrintable(log));
        QVERIFY2(log.endsWith("Se restauraron 3 de 4 fotos.\nEstos archivos describen las fotos "
                              "estampadas y quedaron desactualizados: ubicaciones.kmz, "
                              "registro_fotografico.pdf."),
                 qPrintable(log));
        for (const char *name : {"a.jpg", "d.jpg", "g.jpg"})
            QCOMPARE(fileBytes(at(name)), originals[name]);
        QCOMPARE(fileBytes(at("c.jpg")), "otro archivo");
        const auto afterFirst = folderContents(folder);
        QCOMPARE(afterFirst.size(), 11); // a, c, d, e, f, g, b and c stamped, c's backup, 2 more
        QVERIFY(restore().endsWith("Se restauraron 0 de 1 fotos."));
        QCOMPARE(folderContents(folder), afterFirst);
        QVERIFY(QFile::remove(at("c.jpg")));
        QVERIFY(restore().contains("Se restauraron 1 de 1 fotos.\nEstos archivos"));
        QCOMPARE(fileBytes(at("c.jpg")), originals["c.jpg"]);
        QVERIFY(!QFileInfo::exists(at("Backup")));
        QCOMPARE(fileBytes(folder + "/../fuera.jpg"), "no es de la carpeta");
    }

    // The stamped photo stays byte for byte, and nothing outside the folder
    // moves, unless its original is back whole: backups that are no whole
    // photo, links out of "Backup", forged names, a move that fails after
    // planning, a subfolder another run holds.
    void restoreKeepsTheStampedPhotoUnlessItsOriginalComesBackWhole_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("said");
        QTest::newRow("backup cut short") << "cut"
                                          << "está cortado";
        QTest::newRow("backup emptied") << "empty"
                                        << "formato reconocido";
        QTest::newRow("backup a text file") << "text"
                                            << "formato reconocido";
        QTest::newRow("marker names Backup/notas.txt") << "notes"
                                                       << "formato reconocido";
        QTest::newRow("backup damaged mid-scan") << "scrambled"
                                                 << "decodificador JPEG";
        QTest::newRow("Backup a link to another folder") << "linked"
                                                         << "sin copia de seguridad";
        QTest::newRow("original named ../x.jpg") << "path"
                                                 << "sin copia de seguridad";
        QTest::newRow("move fails: name too long") << "long"
                                                   << "Error restaurando";
        QTest::newRow("backup gone after planning") << "vanished"
                                                    << "no se pudo leer";
        QTest::newRow("subfolder busy with another run") << "busy"
                                                         << "Otro proceso";
    }

    void restoreKeepsTheStampedPhotoUnlessItsOriginalComesBackWhole()
    {
        QFETCH(QString, damage);
        QFETCH(QString, said);
        const QString sub = damage == "busy" ? "sub/" : "";
        write(sub + "a.jpg", gpsPhoto(640, 480));
        ProcessingOptions options = exifRun();
        options.includeSubdirectories = !sub.isEmpty();
        runBatch(folder, options);
        const QString stamped = at(sub + santiago);
        const QString backup = at("Backup/" + sub + "a_backup.jpg");
        const QString elsewhere = folder + "-otra";
        QVERIFY(QFileInfo::exists(stamped) && QFileInfo::exists(backup));
        const QByteArray whole = fileBytes(backup);
        const auto forge = [&stamped](const char *key, const QString &value) {
            const Exiv2ImagePtr image = openImageFile(stamped);
            image->xmpData()[key] = value.toStdString();
            image->writeMetadata();
        };
        if (damage == "cut")
            QVERIFY(writeBytes(backup, whole.left(whole.size() / 2)));
        else if (damage == "empty")
            QVERIFY(writeBytes(backup, {}));
        else if (damage == "text")
            QVERIFY(writeBytes(backup, "notas de campo"));
        else if (damage == "scrambled")
            QVERIFY(writeBytes(backup, whole.left(whole.size() / 2) + "\xFF\xD9"));
        if (damage == "notes") {
            QVERIFY(writeBytes(at("Backup/notas.txt"), "notas de campo"));
            forge("Xmp.rumbario.backup", "Backup/notas.txt");
        } else if (damage == "path") {
            forge("Xmp.rumbario.originalName", "../x.jpg");
        } else if (damage == "long") {
            forge("Xmp.rumbario.originalName", QString(300, 'x') + ".jpg");
        } else if (damage == "linked") {
            QVERIFY(QDir().rename(at("Backup"), elsewhere));
            QVERIFY(QFile::link(elsewhere, at("Backup")));
        }
        auto before = folderContents(folder);
        const auto outside = folderContents(elsewhere);
        FolderLock other;
        if (damage == "busy")
            QVERIFY(other.tryLock({at("sub")}).isEmpty());
        const RestorePlan plan = planRestore(folder, !sub.isEmpty());
        const ProgressCallback progress = [&](int done, int) {
            if (done == 0 && damage == "vanished")
                QFile::remove(backup);
        };
        QStringList log;
        const RestoreOutcome outcome = restoreOriginals(
                folder, plan, [&log](const QString &line) { log << line; }, progress, nullptr);
        QVERIFY2(log.join('\n').contains(said), qPrintable(log.join('\n')));
        QCOMPARE(outcome.restored, 0);
        QCOMPARE(fileBytes(stamped), before.value(sub + santiago));
        if (damage == "vanished")
            QVERIFY(before.remove("Backup/a_backup.jpg") == 1);
        QCOMPARE(folderContents(folder), before);
        QCOMPARE(folderContents(elsewhere), outside);
        QVERIFY(!QFileInfo::exists(folder + "/../x.jpg"));
    }
};

QTEST_MAIN(BatchTest)
#include "batchtest.moc"
