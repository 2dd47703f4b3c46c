#include "processing/photoprocessor.h"
#include "coords/coordinatesfile.h"
#include "metadata/exifreader.h"
#include "metadata/exifwriter.h"
#include "metadata/exiv2setup.h"
#include "metadata/metadatacopy.h"
#include "metadata/nativepath.h"
#include "processing/elapsedtime.h"
#include "processing/photocollection.h"
#include "processing/workpool.h"
#include "tests/batchtestsupport.h"
#include "tests/support/testphotos.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QMutex>
#include <QRegularExpression>
#include <QSemaphore>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <atomic>
#include <cstdio>
#include <set>
#include <stdexcept>
#include <string>

// A photo taken in Santiago: 19H 345713 6297592.
static TestPhoto santiagoPhoto()
{
    TestPhoto photo;
    photo.hasGps = true;
    photo.latitude = -33.45;
    photo.longitude = -70.66;
    photo.hasDirection = true;
    photo.direction = 45.0;
    photo.hasAltitude = true;
    photo.altitude = 550.0;
    photo.dateTimeOriginal = QStringLiteral("2024:03:05 14:30:00");
    return photo;
}

static TestPhoto photoAt(double latitude, double longitude)
{
    auto photo = santiagoPhoto();
    photo.latitude = latitude;
    photo.longitude = longitude;
    return photo;
}

static QString native(const QString &path)
{
    return QString::fromStdString(qPathToNativeStdString(path));
}

static ProcessingOptions exifOptions()
{
    ProcessingOptions options;
    options.useExif = true;
    options.renamePhotos = true;
    return options;
}

static bool isJpeg(const QByteArray &bytes)
{
    return bytes.startsWith("\xFF\xD8");
}

static std::set<std::string> exifKeys(const Exiv2::ExifData &exif)
{
    std::set<std::string> keys;
    for (const auto &datum : exif) {
        // Pointers to sub-directories are Exiv2's bookkeeping, not tags.
        if (datum.key() != "Exif.Image.GPSTag" && datum.key() != "Exif.Image.ExifTag")
            keys.insert(datum.key());
    }
    return keys;
}

class PhotoProcessorTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString folder; // a fresh batch folder for every test

    QString write(const QString &relative, const TestPhoto &photo = santiagoPhoto())
    {
        const auto path = QDir(folder).filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (!writeTestPhoto(path, photo))
            qFatal("cannot write test photo %s", qPrintable(path));
        return path;
    }

    void writeRaw(const QString &name, const QByteArray &bytes)
    {
        QFile file(QDir(folder).filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

private slots:
    void initTestCase() { initializeExiv2(); }

    void init()
    {
        static int count = 0;
        folder = dir.filePath(QStringLiteral("batch%1").arg(++count));
        QVERIFY(QDir().mkpath(folder));
    }

    void collectsOnlyVisiblePhotoFiles_data()
    {
        QTest::addColumn<bool>("includeSubdirectories");
        QTest::addColumn<QStringList>("expected");
        const QStringList top = {QStringLiteral("IMG_01.JPG"), QStringLiteral("a.Jpeg"),
                                 QStringLiteral("b.png"), QStringLiteral("c.TIFF")};
        QTest::newRow("top folder only") << false << top;
        QTest::newRow("every depth") << true
                                     << top
                        + QStringList {QStringLiteral("sub/d.jpg"),
                                       QStringLiteral("sub/deeper/e.jpg")};
    }

    void collectsOnlyVisiblePhotoFiles()
    {
        QFETCH(bool, includeSubdirectories);
        QFETCH(QStringList, expected);
        for (const auto &name :
             {"IMG_01.JPG", "a.Jpeg", "b.png", "c.TIFF", ".hidden.jpg", "sub/d.jpg",
              "sub/deeper/e.jpg", "Backup/a_backup.jpg", ".hiddendir/f.jpg"})
            write(QString::fromLatin1(name));
        writeRaw(QStringLiteral("a.bmp"), "BM");
        writeRaw(QStringLiteral("a.jpg.txt"), "texto");
        QVERIFY(QFile::link(QDir(folder).filePath(QStringLiteral("b.png")),
                            QDir(folder).filePath(QStringLiteral("link.jpg"))));
        QStringList collected;
        for (const auto &path : collectPhotos(folder, includeSubdirectories))
            collected << QDir(folder).relativeFilePath(path);
        collected.sort(Qt::CaseInsensitive);
        expected.sort(Qt::CaseInsensitive);
        QCOMPARE(collected, expected);
    }

    void elapsedTimeText_data()
    {
        QTest::addColumn<qint64>("milliseconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("hours") << qint64(3723004) << QStringLiteral("1h 02m 03s");
        QTest::newRow("minutes") << qint64(65000) << QStringLiteral("1m 05s");
        QTest::newRow("seconds") << qint64(4900) << QStringLiteral("4s");
        QTest::newRow("just under a minute") << qint64(59999) << QStringLiteral("59s");
        QTest::newRow("nothing") << qint64(0) << QStringLiteral("0s");
    }

    void elapsedTimeText()
    {
        QFETCH(qint64, milliseconds);
        QFETCH(QString, text);
        QCOMPARE(formatElapsedTime(milliseconds), text);
    }

    void logGroupOfOnePhotoInEachPlacement_data()
    {
        QTest::addColumn<QString>("placement");
        QTest::newRow("in place") << QStringLiteral("in place");
        QTest::newRow("with backup") << QStringLiteral("backup");
        QTest::newRow("output folder") << QStringLiteral("output");
    }

    void logGroupOfOnePhotoInEachPlacement()
    {
        QFETCH(QString, placement);
        const auto photo = write(QStringLiteral("a.jpg"));
        const auto original = fileBytes(photo);
        auto options = exifOptions();
        options.makeBackup = placement == QLatin1String("backup");
        options.useOutputFolder = placement == QLatin1String("output");
        options.outputFolder = dir.filePath(QStringLiteral("out-") + QFileInfo(folder).fileName());
        QStringList expected = {QStringLiteral("\nProcesando: a.jpg")};
        QString workFolder = folder;
        if (options.makeBackup)
            expected << QStringLiteral("Backup creado: ") + folder
                            + QStringLiteral("/Backup/a_backup.jpg");
        if (options.useOutputFolder) {
            workFolder = options.outputFolder;
            expected << QStringLiteral("Copiado a la carpeta de salida: ") + workFolder
                            + QStringLiteral("/a.jpg");
        }
        const auto renamed = workFolder + QStringLiteral("/19H 345713 6297592.jpg");
        expected << QStringLiteral("Intentando leer EXIF desde (nativo original): ") + native(photo)
                 << QStringLiteral("Lat: -33.45, Lon: -70.66, Orientación: 45, Altitud: 550")
                 << QStringLiteral("Renombrado: a.jpg a 19H 345713 6297592.jpg")
                 << QStringLiteral("Intentando escribir EXIF a (nativo): ") + native(renamed)
                 << QStringLiteral("Metadatos escritos para 19H 345713 6297592.jpg");

        const auto result = runBatch(folder, options);

        QCOMPARE(logGroup(result.log, QStringLiteral("a.jpg")), expected);
        QCOMPARE(result.log.size(), expected.size() + 1);
        QVERIFY(isJpeg(fileBytes(renamed)));
        QVERIFY(fileBytes(renamed) != original);
        if (options.makeBackup)
            QCOMPARE(fileBytes(folder + QStringLiteral("/Backup/a_backup.jpg")), original);
        if (options.useOutputFolder)
            QCOMPARE(fileBytes(photo), original);
    }

    void coordinatesFileRowIsLoggedAndReplacesMetadata()
    {
        TestPhoto photo;
        photo.extraExif[QStringLiteral("Exif.Image.Make")] = QStringLiteral("Cámara");
        photo.iptc[QStringLiteral("Iptc.Application2.Caption")] = QStringLiteral("pie");
        photo.xmp[QStringLiteral("Xmp.dc.title")] = QStringLiteral("título");
        const auto path = write(QStringLiteral("a.jpg"), photo);
        write(QStringLiteral("sin fila.jpg"), photo);
        const auto untouched = fileBytes(QDir(folder).filePath(QStringLiteral("sin fila.jpg")));
        const auto csv = dir.filePath(QFileInfo(folder).fileName() + QStringLiteral(".txt"));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(coordinatesFileHeader)
                   + "\na.jpg;19;H;345678.4;6299999.6;90;2024-03-05 14:30:00;12.5\n");
        file.close();
        ProcessingOptions options;
        options.csvPath = csv;
        options.renamePhotos = true;
        options.embedCsvInExif = true;

        const auto result = runBatch(folder, options);

        const auto renamed = folder + QStringLiteral("/19H 345678 6300000.jpg");
        const QStringList expected
                = {QStringLiteral("\nProcesando: a.jpg"),
                   QStringLiteral("Intentando leer EXIF desde (nativo original): ") + native(path),
                   QStringLiteral("Fecha de captura no encontrada en metadata para a.jpg. Usando "
                                  "fecha/hora actual."),
                   QStringLiteral("Usando datos TXT: Zona 19H, Easting: 345678, Northing: 6.3e+06, "
                                  "Orientación: 90, Altitud: 12.5"),
                   QStringLiteral("Usando fecha/hora del archivo TXT: 05/03/2024 14:30:00"),
                   QStringLiteral("Renombrado: a.jpg a 19H 345678 6300000.jpg"),
                   QStringLiteral("Generando nuevos metadatos EXIF desde datos TXT para 19H 345678 "
                                  "6300000.jpg"),
                   QStringLiteral("Intentando escribir EXIF a (nativo): ") + native(renamed),
                   QStringLiteral("Metadatos escritos para 19H 345678 6300000.jpg")};
        QCOMPARE(logGroup(result.log, QStringLiteral("a.jpg")), expected);
        QCOMPARE(logGroup(result.log, QStringLiteral("sin fila.jpg")).last(),
                 QStringLiteral("Coordenadas UTM no encontradas en archivo TXT para sin fila.jpg"));
        QCOMPARE(fileBytes(QDir(folder).filePath(QStringLiteral("sin fila.jpg"))), untouched);
        QCOMPARE(result.log.last().left(22), QStringLiteral("Se procesaron 2 fotos "));

        PhotoMetadata saved;
        QString error;
        QCOMPARE(copyMetadata(renamed, saved, error), MetadataResult::Done);
        Exiv2::ExifData fromRow;
        writeRecordToExif(fromRow, {19, 'H', 345678.4, 6299999.6, 90.0, 12.5},
                          QDateTime(QDate(2024, 3, 5), QTime(14, 30)));
        QCOMPARE(exifKeys(saved.exif), exifKeys(fromRow));
        QCOMPARE(saved.exif["Exif.Photo.DateTimeOriginal"].toString(),
                 std::string("2024:03:05 14:30:00"));
        QVERIFY(saved.iptc.empty());
        QVERIFY(saved.xmp.empty());
    }

    void exifModeCarriesMetadataAcrossReencoding()
    {
        auto photo = santiagoPhoto();
        photo.extraExif[QStringLiteral("Exif.Image.Make")] = QStringLiteral("Cámara");
        photo.iptc[QStringLiteral("Iptc.Application2.Caption")] = QStringLiteral("pie");
        photo.xmp[QStringLiteral("Xmp.dc.title")] = QStringLiteral("título");
        const auto path = write(QStringLiteral("a.jpg"), photo);
        auto options = exifOptions();
        options.renamePhotos = false;
        runBatch(folder, options);
        PhotoMetadata saved;
        QString error;
        QCOMPARE(copyMetadata(path, saved, error), MetadataResult::Done);
        QCOMPARE(saved.exif["Exif.Image.Make"].toString(), std::string("Cámara"));
        QCOMPARE(saved.exif["Exif.Photo.DateTimeOriginal"].toString(),
                 std::string("2024:03:05 14:30:00"));
        QCOMPARE(saved.iptc["Iptc.Application2.Caption"].toString(), std::string("pie"));
        QVERIFY(QString::fromStdString(saved.xmp["Xmp.dc.title"].toString())
                        .contains(QStringLiteral("título")));
    }

    void progressStartsAtZeroAndCountsEveryPhoto()
    {
        for (const auto &name : {"a.jpg", "b.jpg", "c.jpg"})
            write(QString::fromLatin1(name));
        ProcessingOptions options; // coordinates-file mode without a file: no row for anyone
        const auto result = runBatch(folder, options);
        QCOMPARE(result.progress.first(), qMakePair(0, 3));
        QSet<int> done;
        for (const auto &call : result.progress.mid(1)) {
            QCOMPARE(call.second, 3);
            done.insert(call.first);
        }
        QCOMPARE(result.progress.size(), 4);
        QCOMPARE(done, (QSet<int> {1, 2, 3}));
        QVERIFY(QRegularExpression(QStringLiteral("^Se procesaron 3 fotos en \\d+s\\.$"))
                        .match(result.log.last())
                        .hasMatch());
        QCOMPARE(fileNames(folder),
                 (QStringList {QStringLiteral("a.jpg"), QStringLiteral("b.jpg"),
                               QStringLiteral("c.jpg")}));
    }

    void emptyFolderReportsZeroPhotos()
    {
        const auto result = runBatch(folder, exifOptions());
        QCOMPARE(result.progress, (QList<QPair<int, int>> {qMakePair(0, 0)}));
        QCOMPARE(result.log.size(), 1);
        QVERIFY(result.log.first().startsWith(QLatin1String("Se procesaron 0 fotos en ")));
    }

    void photosWithoutGpsShareTheFallbackNameWithCounters_data()
    {
        QTest::addColumn<bool>("usePrefix");
        QTest::addColumn<QString>("base");
        QTest::newRow("no prefix") << false << QStringLiteral("19J 500000 6000000");
        QTest::newRow("prefix with a %2") << true << QStringLiteral("Obra %2 19J 500000 6000000");
    }

    void photosWithoutGpsShareTheFallbackNameWithCounters()
    {
        QFETCH(bool, usePrefix);
        QFETCH(QString, base);
        for (const auto &name : {"a.jpg", "b.jpg", "c.jpg"})
            write(QString::fromLatin1(name), TestPhoto());
        auto options = exifOptions();
        options.usePrefix = usePrefix;
        options.prefix = QStringLiteral("Obra %2 ");
        const auto result = runBatch(folder, options);
        QCOMPARE(fileNames(folder),
                 (QStringList {base + QStringLiteral(" (1).jpg"), base + QStringLiteral(" (2).jpg"),
                               base + QStringLiteral(".jpg")}));
        QVERIFY(logGroup(result.log, QStringLiteral("a.jpg"))
                        .contains(QStringLiteral("Datos GPS no encontrados en EXIF para a.jpg. "
                                                 "Usando coords fijas.")));
    }

    void repeatedRunsKeepTheNames()
    {
        write(QStringLiteral("a.jpg"), photoAt(-33.4, -70.6));
        write(QStringLiteral("b.jpg"), photoAt(-33.5, -70.7));
        const QStringList plain = {QStringLiteral("19H 342086 6291988.jpg"),
                                   QStringLiteral("19H 351205 6303224.jpg")};
        runBatch(folder, exifOptions());
        QCOMPARE(fileNames(folder), plain);
        runBatch(folder, exifOptions());
        QCOMPARE(fileNames(folder), plain);
    }

    void backupsAreNumberedAcrossRuns()
    {
        const auto original = fileBytes(write(QStringLiteral("sub/a.jpg")));
        auto options = exifOptions();
        options.renamePhotos = false;
        options.makeBackup = true;
        options.includeSubdirectories = true;
        runBatch(folder, options);
        const auto once = fileBytes(QDir(folder).filePath(QStringLiteral("sub/a.jpg")));
        runBatch(folder, options);
        runBatch(folder, options);
        const auto backups = QDir(folder).filePath(QStringLiteral("Backup/sub"));
        QCOMPARE(fileNames(backups),
                 (QStringList {QStringLiteral("a_backup(1).jpg"), QStringLiteral("a_backup(2).jpg"),
                               QStringLiteral("a_backup.jpg")}));
        QCOMPARE(fileBytes(backups + QStringLiteral("/a_backup.jpg")), original);
        QCOMPARE(QFileInfo(backups + QStringLiteral("/a_backup.jpg")).permissions(),
                 QFileInfo(QDir(folder).filePath(QStringLiteral("sub/a.jpg"))).permissions());
        QCOMPARE(fileBytes(backups + QStringLiteral("/a_backup(1).jpg")), once);
    }

    // A link pointing nowhere still holds its name: it is neither followed
    // nor replaced, and the photo takes the next free name.
    void danglingLinkTakesItsName_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<bool>("backup");
        QTest::addColumn<QString>("expected");
        QTest::newRow("at the UTM name") << QStringLiteral("19H 345713 6297592.jpg") << false
                                         << QStringLiteral("19H 345713 6297592 (1).jpg");
        QTest::newRow("at the backup name") << QStringLiteral("Backup/a_backup.jpg") << true
                                            << QStringLiteral("Backup/a_backup(1).jpg");
    }

    void danglingLinkTakesItsName()
    {
        QFETCH(QString, link);
        QFETCH(bool, backup);
        QFETCH(QString, expected);
        write(QStringLiteral("a.jpg"));
        const auto linkPath = QDir(folder).filePath(link);
        const auto nowhere = folder + QStringLiteral("-nowhere.jpg");
        QVERIFY(QDir().mkpath(QFileInfo(linkPath).absolutePath()));
        QVERIFY(QFile::link(nowhere, linkPath));
        auto options = exifOptions();
        options.makeBackup = backup;
        const auto result = runBatch(folder, options);
        QVERIFY2(QFileInfo::exists(QDir(folder).filePath(expected)),
                 qPrintable(result.log.join(QLatin1Char('|'))));
        QVERIFY(logGroup(result.log, QStringLiteral("a.jpg"))
                        .last()
                        .startsWith(QLatin1String("Metadatos escritos para ")));
        QCOMPARE(QFileInfo(linkPath).symLinkTarget(), nowhere);
        QVERIFY(!QFileInfo::exists(nowhere));
    }

    void outputFolderMirrorsNestedSubfolders()
    {
        const auto top = fileBytes(write(QStringLiteral("a.jpg"), photoAt(-33.4, -70.6)));
        const auto deep = fileBytes(write(QStringLiteral("x/y/b.jpg"), photoAt(-33.5, -70.7)));
        auto options = exifOptions();
        options.includeSubdirectories = true;
        options.useOutputFolder = true;
        options.outputFolder = dir.filePath(QStringLiteral("salida nested"));
        runBatch(folder, options);
        QCOMPARE(fileNames(options.outputFolder),
                 QStringList {QStringLiteral("19H 351205 6303224.jpg")});
        QCOMPARE(fileNames(options.outputFolder + QStringLiteral("/x/y")),
                 QStringList {QStringLiteral("19H 342086 6291988.jpg")});
        QCOMPARE(fileBytes(QDir(folder).filePath(QStringLiteral("a.jpg"))), top);
        QCOMPARE(fileBytes(QDir(folder).filePath(QStringLiteral("x/y/b.jpg"))), deep);
    }

    void outputFolderEqualToBatchFolderSkipsEveryPhoto()
    {
        const auto original = fileBytes(write(QStringLiteral("a.jpg")));
        auto options = exifOptions();
        options.useOutputFolder = true;
        options.outputFolder = folder + QStringLiteral("/.");
        const auto result = runBatch(folder, options);
        QCOMPARE(logGroup(result.log, QStringLiteral("a.jpg")).last(),
                 QStringLiteral("Omitiendo archivo, la ruta de origen y destino son la misma."));
        QCOMPARE(fileBytes(QDir(folder).filePath(QStringLiteral("a.jpg"))), original);
    }

    void pngAndTiffPhotos_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("rename");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QByteArray>("magic");
        QTest::newRow("png renamed becomes jpeg")
                << QStringLiteral("a.png") << true << QStringLiteral("19H 345713 6297592.jpg")
                << QByteArray("\xFF\xD8");
        QTest::newRow("png kept") << QStringLiteral("a.png") << false << QStringLiteral("a.png")
                                  << QByteArray("\x89PNG");
        QTest::newRow("tiff kept") << QStringLiteral("a.tiff") << false << QStringLiteral("a.tiff")
                                   << QByteArray("II*");
    }

    void pngAndTiffPhotos()
    {
        QFETCH(QString, name);
        QFETCH(bool, rename);
        QFETCH(QString, result);
        QFETCH(QByteArray, magic);
        const auto original = fileBytes(write(name));
        auto options = exifOptions();
        options.renamePhotos = rename;
        options.drawData = true; // changes the pixels, so lossless formats change too
        options.fontColor = Qt::red;
        const auto log = runBatch(folder, options).log;
        QCOMPARE(fileNames(folder), QStringList {result});
        const auto saved = fileBytes(QDir(folder).filePath(result));
        QVERIFY(saved.startsWith(magic));
        QVERIFY(saved != original);
        QCOMPARE(logGroup(log, name).last(), QStringLiteral("Metadatos escritos para ") + result);
        double latitude, longitude, direction, altitude;
        QVERIFY(readGpsFromExif(QDir(folder).filePath(result), latitude, longitude, direction,
                                altitude));
    }

    void degreesStampIsTheSameWhetherOrNotThePhotoIsRenamed()
    {
        auto options = exifOptions();
        options.drawData = true;
        options.drawGeo = true;
        options.fontColor = Qt::white;
        options.fontSizeRatio = 0.1;
        QImage stamped[2];
        for (const bool rename : {false, true}) {
            init();
            write(QStringLiteral("a.jpg"), [] {
                auto photo = santiagoPhoto();
                photo.width = 400;
                photo.height = 300;
                return photo;
            }());
            options.renamePhotos = rename;
            runBatch(folder, options);
            QVERIFY(stamped[rename].load(QDir(folder).filePath(fileNames(folder).first())));
        }
        QCOMPARE(stamped[true], stamped[false]);
    }

    void portraitPhotoIsTurnedUprightAndMarkedNormal()
    {
        auto photo = santiagoPhoto();
        photo.width = 60;
        photo.height = 40;
        photo.orientation = 6; // turn 90° clockwise to view
        const auto path = write(QStringLiteral("a.jpg"), photo);
        auto options = exifOptions();
        options.renamePhotos = false;
        runBatch(folder, options);
        QImage raw;
        QVERIFY(raw.loadFromData(fileBytes(path)));
        QCOMPARE(raw.size(), QSize(40, 60));
        PhotoMetadata saved;
        QString error;
        QCOMPARE(copyMetadata(path, saved, error), MetadataResult::Done);
        QCOMPARE(saved.exif["Exif.Image.Orientation"].toString(), std::string("1"));
    }

    void badFilesCostOnlyThemselves()
    {
        const auto good = santiagoPhoto();
        write(QStringLiteral("good.jpg"), good);
        writeRaw(QStringLiteral("empty.jpg"), {});
        writeRaw(QStringLiteral("text.jpg"), "no soy una foto\n");
        write(QStringLiteral("whole.jpg"), good);
        const auto whole = fileBytes(QDir(folder).filePath(QStringLiteral("whole.jpg")));
        QFile::remove(QDir(folder).filePath(QStringLiteral("whole.jpg")));
        // Cut inside the compressed pixels, where Qt would fill the rest in grey.
        const auto scan = whole.lastIndexOf("\xFF\xDA");
        writeRaw(QStringLiteral("cut.jpg"), whole.left((scan + whole.size()) / 2));
        write(QStringLiteral("png inside.png"), photoAt(-33.4, -70.6));
        QVERIFY(QFile::rename(QDir(folder).filePath(QStringLiteral("png inside.png")),
                              QDir(folder).filePath(QStringLiteral("png inside.jpg"))));
        const QStringList broken = {QStringLiteral("cut.jpg"), QStringLiteral("empty.jpg"),
                                    QStringLiteral("text.jpg")};
        QMap<QString, QByteArray> before;
        for (const auto &name : broken)
            before[name] = fileBytes(QDir(folder).filePath(name));

        const auto result = runBatch(folder, exifOptions());

        for (const auto &name : broken) {
            QCOMPARE(fileBytes(QDir(folder).filePath(name)), before[name]);
            const auto group = logGroup(result.log, name);
            QCOMPARE(group.at(group.size() - 2),
                     QStringLiteral("Error al abrir la imagen: ") + QDir(folder).filePath(name));
            QVERIFY(group.last().startsWith(QStringLiteral("Motivo: ")));
        }
        QVERIFY(isJpeg(fileBytes(QDir(folder).filePath(QStringLiteral("19H 345713 6297592.jpg")))));
        QVERIFY(isJpeg(fileBytes(QDir(folder).filePath(QStringLiteral("19H 351205 6303224.jpg")))));
        QVERIFY(result.log.last().startsWith(QLatin1String("Se procesaron 5 fotos en ")));
    }

    void awkwardFileNamesAreProcessed()
    {
        const QStringList names = {QStringLiteral("con espacios .jpg"),
                                   QStringLiteral("señal ñú.jpg"), QStringLiteral("100%2 %1.jpg")};
        for (const auto &name : names)
            write(name);
        // A name that is not UTF-8 cannot be spelt as a QString: written raw,
        // it is not listed by Qt, so it is neither counted nor touched.
        const auto bytes = fileBytes(QDir(folder).filePath(names.first()));
        const QByteArray latin1Name = QFile::encodeName(folder) + "/caf\xe9.jpg";
        FILE *raw = std::fopen(latin1Name.constData(), "wb");
        QVERIFY(raw);
        QCOMPARE(std::fwrite(bytes.constData(), 1, size_t(bytes.size()), raw),
                 size_t(bytes.size()));
        std::fclose(raw);
        auto options = exifOptions();
        options.renamePhotos = false;

        const auto result = runBatch(folder, options);

        for (const auto &name : names)
            QCOMPARE(logGroup(result.log, name).last(),
                     QStringLiteral("Metadatos escritos para ") + name);
        QVERIFY(result.log.last().startsWith(QLatin1String("Se procesaron 3 fotos en ")));
        raw = std::fopen(latin1Name.constData(), "rb");
        QVERIFY(raw);
        QByteArray kept(bytes.size() + 1, '\0');
        kept.truncate(qsizetype(std::fread(kept.data(), 1, size_t(kept.size()), raw)));
        std::fclose(raw);
        std::remove(latin1Name.constData());
        QCOMPARE(kept, bytes);
    }

    void writesThatCannotHappenEndOnlyTheirPhoto_data()
    {
        QTest::addColumn<QString>("blocker"); // file or folder put in the way
        QTest::addColumn<bool>("blockerIsFolder");
        QTest::addColumn<QString>("placement");
        QTest::addColumn<QString>("line");
        QTest::newRow("output subfolder is a file")
                << QStringLiteral("out/sub") << false << QStringLiteral("output")
                << QStringLiteral(
                           "Error: No se pudo crear la estructura de directorios de salida: ");
        QTest::newRow("output copy is a folder")
                << QStringLiteral("out/sub/a.jpg") << true << QStringLiteral("output")
                << QStringLiteral("Error: No se pudo copiar el archivo a la carpeta de salida: ");
        QTest::newRow("backup folder is a file")
                << QStringLiteral("batch/Backup/sub") << false << QStringLiteral("backup")
                << QStringLiteral("Error creando backup de a.jpg");
    }

    void writesThatCannotHappenEndOnlyTheirPhoto()
    {
        QFETCH(QString, blocker);
        QFETCH(bool, blockerIsFolder);
        QFETCH(QString, placement);
        QFETCH(QString, line);
        const auto root = folder + QStringLiteral("-root");
        folder = root + QStringLiteral("/batch");
        const auto original = fileBytes(write(QStringLiteral("sub/a.jpg")));
        write(QStringLiteral("b.jpg"), photoAt(-33.4, -70.6));
        const auto blockerPath = QDir(root).filePath(blocker);
        QVERIFY(QDir().mkpath(blockerIsFolder ? blockerPath
                                              : QFileInfo(blockerPath).absolutePath()));
        if (!blockerIsFolder) {
            QFile file(blockerPath);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        auto options = exifOptions();
        options.includeSubdirectories = true;
        options.useOutputFolder = placement == QLatin1String("output");
        options.makeBackup = placement == QLatin1String("backup");
        options.outputFolder = root + QStringLiteral("/out");

        const auto result = runBatch(folder, options);

        // A reason line may follow the failure line.
        QVERIFY2(logGroup(result.log, QStringLiteral("a.jpg")).join('\n').contains('\n' + line),
                 qPrintable(result.log.join(QLatin1Char('|'))));
        QCOMPARE(fileBytes(QDir(folder).filePath(QStringLiteral("sub/a.jpg"))), original);
        QCOMPARE(logGroup(result.log, QStringLiteral("b.jpg")).last(),
                 QStringLiteral("Metadatos escritos para 19H 351205 6303224.jpg"));
    }

    // The window runs the batch on a work pool thread; with one core that
    // thread is the pool's only one and the photos would wait for it forever.
    void batchStartedFromThePoolsOnlyThreadFinishes()
    {
        write(QStringLiteral("a.jpg"));
        write(QStringLiteral("b.jpg"));
        QThreadPool *pool = workPool();
        const int threads = pool->maxThreadCount();
        pool->setMaxThreadCount(1);
        auto future = QtConcurrent::run(pool, [this] { return runBatch(folder, exifOptions()); });
        QTRY_VERIFY_WITH_TIMEOUT(future.isFinished(), 120000);
        pool->setMaxThreadCount(threads);
        for (const QString &name : {QStringLiteral("a.jpg"), QStringLiteral("b.jpg")}) {
            QVERIFY(logGroup(future.result().log, name)
                            .last()
                            .startsWith(
                                    QStringLiteral("Metadatos escritos para 19H 345713 6297592")));
        }
    }

    // The preview renders one photo on the GUI thread, maybe while a batch
    // holds every work thread.
    void singlePhotoDoesNotWaitForTheWorkThreads()
    {
        write(QStringLiteral("a.jpg"));
        QThreadPool *pool = workPool();
        const int threads = pool->maxThreadCount();
        QSemaphore occupied, release;
        for (int i = 0; i < threads; ++i) {
            pool->start([&] {
                occupied.release();
                release.acquire();
            });
        }
        occupied.acquire(threads);
        const auto freeThreads = qScopeGuard([&] {
            release.release(threads);
            pool->waitForDone();
        });
        auto future = QtConcurrent::run([this] { return runBatch(folder, exifOptions()); });
        QTRY_VERIFY_WITH_TIMEOUT(future.isFinished(), 20000);
        QCOMPARE(logGroup(future.result().log, QStringLiteral("a.jpg")).last(),
                 QStringLiteral("Metadatos escritos para 19H 345713 6297592.jpg"));
    }

    void exceptionInOnePhotoIsReportedAndTheBatchGoesOn()
    {
        for (const auto &name : {"a.jpg", "b.jpg", "c.jpg"})
            write(QString::fromLatin1(name));
        auto options = exifOptions();
        options.addCompass = true;
        options.compassRatio = 0.5;
        QStringList log;
        std::atomic<int> progressCalls {0};
        PhotoProcessor processor(options);
        QMutex mutex;
        processor.renamePhotosWithUTM(
                folder,
                [&](const QString &line) {
                    if (line.startsWith(QLatin1String("Dibujando rosa")))
                        throw std::runtime_error("sin memoria para la rosa");
                    QMutexLocker locker(&mutex);
                    log << line;
                },
                [&](int, int) { ++progressCalls; });
        QCOMPARE(progressCalls.load(), 4);
        for (const auto &name : {"a.jpg", "b.jpg", "c.jpg"}) {
            const auto fileName = QString::fromLatin1(name);
            QCOMPARE(logGroup(log, fileName).last(),
                     QStringLiteral("Error procesando %1: sin memoria para la rosa").arg(fileName));
        }
        QVERIFY(log.last().startsWith(QLatin1String("Se procesaron 3 fotos en ")));
    }
};

QTEST_MAIN(PhotoProcessorTest)
#include "photoprocessortest.moc"
