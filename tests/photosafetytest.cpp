#include "metadata/exifreader.h"
#include "metadata/exifwriter.h"
#include "metadata/exiv2image.h"
#include "metadata/exiv2setup.h"
#include "processing/decoderwarnings.h"
#include "processing/folderlock.h"
#include "processing/photoprocessor.h"
#include "tests/support/files.h"
#include "tests/support/windowfixture.h"

#include <QBuffer>
#include <QLoggingCategory>
#include <QThread>

#include <memory>

// Damaged photos, impossible values and runs that may not start: each leaves
// the photos as they were and says why.
class PhotoSafetyTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString folder;

    QString put(const QString &name, const QByteArray &bytes = {})
    {
        const auto path = QDir(folder).filePath(name);
        if (!(bytes.isEmpty() ? writeTestPhoto(path, gpsPhoto()) : writeBytes(path, bytes)))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    static QByteArray jpeg(int width, int height)
    {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        makeNaturalImage(width, height).save(&buffer, "JPEG", 90);
        return bytes;
    }

    static ProcessingOptions exifRun(const QString &prefix = {})
    {
        ProcessingOptions options;
        options.useExif = options.renamePhotos = options.makeBackup = true;
        options.usePrefix = !prefix.isEmpty();
        options.prefix = prefix;
        return options;
    }

private slots:
    void initTestCase() { initializeExiv2(); }

    void init()
    {
        folder = dir.filePath(QString::fromLatin1(QTest::currentTestFunction())
                              + QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(QDir().mkpath(folder));
    }

    void decoderWarningsAreCaughtOnTheDecodingThreadOnly()
    {
        QLoggingCategory decoder("qt.gui.imageio.jpeg");
        const JpegWarningCapture capture;
        QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio.jpeg.warning=false"));
        QTest::ignoreMessage(QtWarningMsg, "de otra foto");
        std::unique_ptr<QThread> other(
                QThread::create([&] { qCWarning(decoder, "de otra foto"); }));
        other->start();
        other->wait();
        QVERIFY(capture.firstWarning().isEmpty());
        qCWarning(decoder, "de esta foto");
        QCOMPARE(capture.firstWarning(), QStringLiteral("de esta foto"));
        QLoggingCategory::setFilterRules(QString());
    }

    void failedPhotoSaysWhyAndKeepsItsBytes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // empty: a good photo
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("failure"); // the start of the failure line
        QTest::addColumn<QString>("reason");
        const QString open = "Error al abrir la imagen: ";
        const QByteArray whole = jpeg(640, 480);
        QByteArray claim = jpeg(16, 16);
        claim.replace(claim.indexOf("\xFF\xC0") + 5, 4, QByteArray::fromHex("0FA00FA0"));
        const QString longName = QString(251, QLatin1Char('n')) + ".jpg";
        QTest::newRow("cut in half, end marker added")
                << "a.jpg" << whole.left(whole.size() / 2) + "\xFF\xD9"
                << "" << open << "decodificador";
        QTest::newRow("header claims 4000 x 4000")
                << "a.jpg" << claim << "" << open << "decodificador";
        QTest::newRow("255-byte name") << longName << QByteArray() << ""
                                       << "Error creando backup de "
                                       << "255";
        QTest::newRow("too long prefix")
                << "a.jpg" << QByteArray() << QString(240, 'p') << "Error renombrando a.jpg"
                << "255";
    }

    void failedPhotoSaysWhyAndKeepsItsBytes()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, prefix);
        QFETCH(QString, failure);
        QFETCH(QString, reason);
        put(name, bytes);
        const auto before = fileBytes(QDir(folder).filePath(name));
        const auto group = logGroup(runBatch(folder, exifRun(prefix)).log, name);
        qsizetype at = 0;
        while (at < group.size() && !group.at(at).startsWith(failure))
            ++at;
        QVERIFY2(group.value(at + 1).startsWith("Motivo: "), qPrintable(group.join('|')));
        QVERIFY(group.value(at + 1).contains(reason));
        QCOMPARE(fileBytes(QDir(folder).filePath(name)), before);
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
        const auto path = put("a.jpg");
        Exiv2::AsciiValue ascii;
        Exiv2::URationalValue unsignedValue;
        Exiv2::RationalValue signedValue;
        Exiv2::Value *values[] = {&ascii, &unsignedValue, &signedValue};
        values[type]->read(text.toStdString());
        const Exiv2ImagePtr image = openImageFile(path);
        image->exifData()["Exif.GPSInfo.GPSLatitude"] = *values[type];
        image->writeMetadata();
        double latitude = 0, longitude = 0, direction = 0, altitude = 0;
        QCOMPARE(readGpsFromExif(path, latitude, longitude, direction, altitude), type != 0);
        QCOMPARE(latitude, type != 0 ? -(33 + 26 / 60.0) : 0.0);
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
        put("a.jpg", jpeg(64, 48).insert(2, "\xFF\xE1" + QByteArray(length, 2) + body));
        QCOMPARE(runBatch(folder, exifRun()).log.filter("XMP").size(), lines);
    }

    void impossibleValuesNeverReachExif_data()
    {
        QTest::addColumn<int>("zone");
        QTest::addColumn<char>("letter");
        QTest::addColumn<double>("easting");
        QTest::addColumn<double>("altitude");
        QTest::addColumn<bool>("position"); // written
        QTest::newRow("on the globe") << 19 << 'H' << 345678.0 << 812.0 << true;
        QTest::newRow("zone 0") << 0 << 'H' << 345678.0 << 812.0 << false;
        QTest::newRow("band Ñ") << 19 << char(0xD1) << 345678.0 << 812.0 << false;
        QTest::newRow("easting 1e300") << 19 << 'H' << 1e300 << 812.0 << false;
    }

    void impossibleValuesNeverReachExif()
    {
        QFETCH(int, zone);
        QFETCH(char, letter);
        QFETCH(double, easting);
        QFETCH(double, altitude);
        QFETCH(bool, position);
        Exiv2::ExifData exif;
        writeRecordToExif(exif, {zone, letter, easting, 6300000.0, {}, altitude}, {});
        const auto has = [&](const char *key) {
            return exif.findKey(Exiv2::ExifKey(key)) != exif.end();
        };
        QCOMPARE(has("Exif.GPSInfo.GPSLatitude") && has("Exif.GPSInfo.GPSLongitude"), position);
        QCOMPARE(has("Exif.GPSInfo.GPSAltitude"), altitude == 812.0);
    }

    void runThatMayNotStartLeavesThePhotos_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<bool>("refused");
        QTest::newRow("parent folder") << "../x/" << false << true;
        QTest::newRow("plain") << "XXX_XXX_SA_" << false << false;
        QTest::newRow("folder in use") << "XXX_XXX_SA_" << true << true;
    }

    void runThatMayNotStartLeavesThePhotos()
    {
        QFETCH(QString, prefix);
        QFETCH(bool, locked);
        QFETCH(bool, refused);
        put("a.jpg");
        const auto before = folderContents(folder);
        FolderLock other(folder + "/../" + QFileInfo(folder).fileName());
        QVERIFY(!locked || other.tryLock().isEmpty());
        const auto problem = batchStartProblem(folder, exifRun(prefix));
        QCOMPARE(!problem.isEmpty(), refused);
        QCOMPARE(runBatch(folder, exifRun(prefix)).log == QStringList {problem}, refused);
        QCOMPARE(folderContents(folder) == before, refused);
    }

    // Photos at one position, named by an earlier run, keep their names.
    void secondRunKeepsNames()
    {
        for (const char *name : {"a.jpg", "b.jpg", "c.png"})
            put(name);
        runBatch(folder, exifRun());
        const auto named = fileNames(folder);
        QCOMPARE(named.filter(" (2).jpg").size(), 1);
        runBatch(folder, exifRun());
        QCOMPARE(fileNames(folder), named);
    }
};

QTEST_MAIN(PhotoSafetyTest)
#include "photosafetytest.moc"
