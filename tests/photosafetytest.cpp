#include "coords/coordinatesfile.h"
#include "metadata/exifreader.h"
#include "metadata/exifwriter.h"
#include "metadata/exiv2image.h"
#include "metadata/exiv2setup.h"
#include "processing/decoderwarnings.h"
#include "processing/folderlock.h"
#include "processing/photoprocessor.h"
#include "tests/batchtestsupport.h"
#include "tests/support/windowfixture.h"

#include <QBuffer>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

// Damaged photos, impossible values and unsafe runs: each must leave the
// photos as they were and say why.
class PhotoSafetyTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString folder;

    static QByteArray jpeg(int width, int height)
    {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        makeNaturalImage(width, height).save(&buffer, "JPEG", 90);
        return bytes;
    }

    void writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile file(QDir(folder).filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }

    static ProcessingOptions exifRun()
    {
        ProcessingOptions options;
        options.useExif = true;
        options.renamePhotos = true;
        return options;
    }

    // The line after `failure` in the photo's group, or an empty text.
    static QString reasonAfter(const QStringList &group, const QString &failure)
    {
        return group.value(group.indexOf(failure) + 1);
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

    void damagedPhotoIsRefusedAndKept_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QByteArray whole = jpeg(640, 480);
        QTest::newRow("cut in half, end marker added") << whole.left(whole.size() / 2) + "\xFF\xD9"
                                                       << "decodificador JPEG";
        QByteArray claim = jpeg(16, 16);
        const qsizetype frame = claim.indexOf("\xFF\xC0");
        claim.replace(frame + 5, 4, QByteArray::fromHex("0FA00FA0")); // 4000 x 4000
        QTest::newRow("header claims 4000 x 4000") << claim << "decodificador JPEG";
        QTest::newRow("no image at all") << QByteArray("texto") << "formato reconocido";
    }

    // Good photos decode beside the damaged one and are not refused.
    void damagedPhotoIsRefusedAndKept()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        writeFile(QStringLiteral("dañada.jpg"), bytes);
        for (int i = 0; i < 3; ++i)
            QVERIFY(writeTestPhoto(QDir(folder).filePath(QStringLiteral("b%1.jpg").arg(i)),
                                   gpsPhoto(1200, 900)));
        const auto group = logGroup(runBatch(folder, exifRun()).log, QStringLiteral("dañada.jpg"));
        const auto failure = QStringLiteral("Error al abrir la imagen: ") + folder + "/dañada.jpg";
        QVERIFY2(reasonAfter(group, failure).startsWith("Motivo: "), qPrintable(group.join('|')));
        QVERIFY(reasonAfter(group, failure).contains(reason));
        QCOMPARE(fileBytes(folder + "/dañada.jpg"), bytes);
        QCOMPARE(fileNames(folder).filter(QStringLiteral("19H ")).size(), 3);
    }

    void failureIsFollowedByItsReason_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("backupBlocked");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("reason");
        const QString longName = QString(251, QLatin1Char('n')) + ".jpg";
        QTest::newRow("a file where the backups go")
                << "a.jpg"
                << "" << true << "Error creando backup de a.jpg"
                << "hay un archivo";
        QTest::newRow("255-byte name")
                << longName << "" << false << "Error creando backup de " + longName << "255";
        QTest::newRow("too long prefix")
                << "a.jpg" << QString(240, QLatin1Char('p')) << false << "Error renombrando a.jpg"
                << "255";
    }

    void failureIsFollowedByItsReason()
    {
        QFETCH(QString, name);
        QFETCH(QString, prefix);
        QFETCH(bool, backupBlocked);
        QFETCH(QString, failure);
        QFETCH(QString, reason);
        QVERIFY(writeTestPhoto(QDir(folder).filePath(name), gpsPhoto()));
        const auto before = fileBytes(QDir(folder).filePath(name));
        if (backupBlocked)
            writeFile(QStringLiteral("Backup"), "archivo");
        auto options = exifRun();
        options.makeBackup = true;
        options.usePrefix = !prefix.isEmpty();
        options.prefix = prefix;
        const auto group = logGroup(runBatch(folder, options).log, name);
        QVERIFY2(reasonAfter(group, failure).startsWith("Motivo: "), qPrintable(group.join('|')));
        QVERIFY(reasonAfter(group, failure).contains(reason));
        QCOMPARE(fileBytes(QDir(folder).filePath(name)), before);
    }

    void gpsIsReadOnlyFromRationals_data()
    {
        QTest::addColumn<int>("type"); // text, unsigned or signed rationals
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("found");
        QTest::newRow("text") << 0 << "33 26 25.44" << false;
        QTest::newRow("unsigned rationals") << 1 << "33/1 26/1 0/1" << true;
        QTest::newRow("signed rationals") << 2 << "33/1 26/1 0/1" << true;
    }

    void gpsIsReadOnlyFromRationals()
    {
        QFETCH(int, type);
        QFETCH(QString, text);
        QFETCH(bool, found);
        const auto path = QDir(folder).filePath(QStringLiteral("a.jpg"));
        QVERIFY(writeTestPhoto(path, gpsPhoto()));
        Exiv2::AsciiValue ascii;
        Exiv2::URationalValue unsignedValue;
        Exiv2::RationalValue signedValue;
        Exiv2::Value *values[] = {&ascii, &unsignedValue, &signedValue};
        values[type]->read(text.toStdString());
        const Exiv2ImagePtr image = openImageFile(path);
        image->exifData()["Exif.GPSInfo.GPSLatitude"] = *values[type];
        image->writeMetadata();
        double latitude = 0, longitude = 0, direction = 0, altitude = 0;
        QCOMPARE(readGpsFromExif(path, latitude, longitude, direction, altitude), found);
        QCOMPARE(latitude, found ? -(33 + 26 / 60.0) : 0.0);
    }

    void unreadableXmpIsReported_data()
    {
        QTest::addColumn<QByteArray>("packet");
        QTest::addColumn<bool>("reported");
        QTest::newRow("broken") << QByteArray("<x:xmpmeta><rdf:RDF><rdf:Descr") << true;
        QTest::newRow("valid") << QByteArray(
                "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/"
                "02/22-rdf-syntax-ns#'><rdf:Description rdf:about='' xmlns:dc='http://purl.org/"
                "dc/elements/1.1/'><dc:format>image/jpeg</dc:format></rdf:Description></rdf:RDF>"
                "</x:xmpmeta>") << false;
    }

    void unreadableXmpIsReported()
    {
        QFETCH(QByteArray, packet);
        QFETCH(bool, reported);
        const QByteArray body = QByteArray("http://ns.adobe.com/xap/1.0/", 29) + packet;
        const auto length = QByteArray::fromHex(
                QByteArray::number(body.size() + 2, 16).rightJustified(4, '0'));
        writeFile(QStringLiteral("a.jpg"), jpeg(64, 48).insert(2, "\xFF\xE1" + length + body));
        const auto log = runBatch(folder, exifRun()).log;
        QCOMPARE(log.filter(QStringLiteral("XMP")).size(), reported ? 1 : 0);
    }

    void impossibleValuesNeverReachExif_data()
    {
        QTest::addColumn<int>("zone");
        QTest::addColumn<char>("letter");
        QTest::addColumn<double>("easting");
        QTest::addColumn<double>("altitude");
        QTest::addColumn<bool>("positionWritten");
        QTest::addColumn<bool>("altitudeWritten");
        QTest::newRow("on the globe") << 19 << 'H' << 345678.0 << 812.0 << true << true;
        QTest::newRow("zone -5") << -5 << 'H' << 345678.0 << 812.0 << false << true;
        QTest::newRow("zone 0") << 0 << 'H' << 345678.0 << 812.0 << false << true;
        QTest::newRow("band I") << 19 << 'I' << 345678.0 << 812.0 << false << true;
        QTest::newRow("band Ñ") << 19 << char(0xD1) << 345678.0 << 812.0 << false << true;
        QTest::newRow("easting 1e300") << 19 << 'H' << 1e300 << 812.0 << false << true;
        QTest::newRow("altitude -1e308") << 19 << 'H' << 345678.0 << -1e308 << true << false;
        QTest::newRow("altitude 9001") << 19 << 'H' << 345678.0 << 9001.0 << true << false;
    }

    void impossibleValuesNeverReachExif()
    {
        QFETCH(int, zone);
        QFETCH(char, letter);
        QFETCH(double, easting);
        QFETCH(double, altitude);
        QFETCH(bool, positionWritten);
        QFETCH(bool, altitudeWritten);
        Exiv2::ExifData exif;
        writeRecordToExif(exif, zone, letter, easting, 6300000.0, 0, false, altitude, true, {});
        for (const char *key : {"Exif.GPSInfo.GPSLatitude", "Exif.GPSInfo.GPSLongitude"})
            QCOMPARE(exif.findKey(Exiv2::ExifKey(key)) != exif.end(), positionWritten);
        QCOMPARE(exif.findKey(Exiv2::ExifKey("Exif.GPSInfo.GPSAltitude")) != exif.end(),
                 altitudeWritten);
    }

    void rowOffTheGlobeLeavesPhotoAsItWas()
    {
        QVERIFY(writeTestPhoto(QDir(folder).filePath(QStringLiteral("a.jpg")), gpsPhoto()));
        const auto before = folderContents(folder);
        const auto csv = dir.filePath(QStringLiteral("filas.txt"));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(coordinatesFileHeader) + "\na.jpg;-5;H;1;1\n");
        file.close();
        auto options = exifRun();
        options.useExif = false;
        options.csvPath = csv;
        options.embedCsvInExif = true;
        runBatch(folder, options);
        QCOMPARE(folderContents(folder), before);
    }

    void unsafePrefixRefusesTheRun_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("refused");
        QTest::newRow("parent folder") << "../x/" << true;
        QTest::newRow("absolute folder") << "/abs/dir/" << true;
        QTest::newRow("backslash") << "obra\\a" << true;
        QTest::newRow("dots inside") << "a..b" << true;
        QTest::newRow("plain") << "XXX_XXX_SA_" << false;
    }

    void unsafePrefixRefusesTheRun()
    {
        QFETCH(QString, prefix);
        QFETCH(bool, refused);
        QVERIFY(writeTestPhoto(QDir(folder).filePath(QStringLiteral("a.jpg")), gpsPhoto()));
        const auto before = folderContents(folder);
        auto options = exifRun();
        options.usePrefix = true;
        options.prefix = prefix;
        const auto problem = batchStartProblem(folder, options);
        QCOMPARE(!problem.isEmpty(), refused);
        const auto log = runBatch(folder, options).log;
        QCOMPARE(log == QStringList {problem}, refused);
        QCOMPARE(folderContents(folder) == before, refused);
    }

    // Photos at one position, renamed by an earlier run, keep their names.
    void secondRunKeepsNamesAndLeavesNoLockFile()
    {
        for (const char *name : {"a.jpg", "b.jpg", "c.png"})
            QVERIFY(writeTestPhoto(QDir(folder).filePath(QLatin1String(name)), gpsPhoto()));
        runBatch(folder, exifRun());
        const auto named = fileNames(folder);
        QCOMPARE(named.size(), 3);
        QCOMPARE(named.filter(QStringLiteral(" (2).jpg")).size(), 1);
        runBatch(folder, exifRun());
        QCOMPARE(fileNames(folder), named);
    }

    void lockedFolderRefusesTheRunUntilItsOwnerDies()
    {
        QVERIFY(writeTestPhoto(QDir(folder).filePath(QStringLiteral("a.jpg")), gpsPhoto()));
        const auto before = folderContents(folder);
        auto held = std::make_unique<FolderLock>(folder + "/../" + QFileInfo(folder).fileName());
        QVERIFY(held->tryLock().isEmpty());
        QVERIFY(!batchStartProblem(folder, exifRun()).isEmpty());
        QCOMPARE(runBatch(folder, exifRun()).log.size(), 1);
        QCOMPARE(folderContents(folder), before);
        // The same lock, left behind by a process that has ended.
        auto locks = QDir(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation))
                             .entryInfoList({"rumbario-*.lock"}, QDir::Files);
        const auto ownPid = QByteArray::number(QCoreApplication::applicationPid()) + '\n';
        locks.removeIf([&](const QFileInfo &lock) {
            return !fileBytes(lock.filePath()).startsWith(ownPid);
        });
        QCOMPARE(locks.size(), 1);
        const auto contents = fileBytes(locks.first().filePath());
        held.reset();
        QProcess ended;
        ended.start(QStringLiteral("true"));
        const auto endedPid = ended.processId();
        QVERIFY(ended.waitForFinished());
        QFile stale(locks.first().filePath());
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write(QByteArray::number(endedPid) + contents.mid(contents.indexOf('\n')));
        stale.close();
        QVERIFY(batchStartProblem(folder, exifRun()).isEmpty());
    }

    void windowRefusesARunThatMayNotStart_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("locked");
        QTest::newRow("unsafe prefix") << "../x/" << false;
        QTest::newRow("folder in use") << "ok_" << true;
    }

    void windowRefusesARunThatMayNotStart()
    {
        QFETCH(QString, prefix);
        QFETCH(bool, locked);
        QVERIFY(usePrivateSettings(dir.filePath(QStringLiteral("ajustes"))));
        QVERIFY(writeTestPhoto(QDir(folder).filePath(QStringLiteral("a.jpg")), gpsPhoto()));
        const auto before = folderContents(folder);
        FolderLock other(folder);
        if (locked)
            QVERIFY(other.tryLock().isEmpty());
        WindowFixture fixture;
        QVERIFY(fixture.open());
        fixture.find<QLineEdit>("folderEdit")->setText(folder);
        fixture.find<QCheckBox>("logoCheck")->setChecked(false);
        fixture.find<QCheckBox>("prefixCheck")->setChecked(true);
        fixture.find<QLineEdit>("prefixEdit")->setText(prefix);
        const auto shown = fixture.find<QLabel>("prefixProblemLabel")->text();
        QCOMPARE(shown.isEmpty(), locked);
        fixture.find<QPushButton>("startButton")->click();
        QCOMPARE(fixture.boxes->critical.size(), 1);
        const auto reason = fixture.boxes->critical.first().mid(QStringLiteral("Error: ").size());
        QVERIFY(locked || reason == shown);
        QVERIFY(fixture.logLines().contains(reason));
        QCOMPARE(folderContents(folder), before);
    }
};

QTEST_MAIN(PhotoSafetyTest)
#include "photosafetytest.moc"
