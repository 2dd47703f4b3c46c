#include "metadata/exifreader.h"
#include "metadata/exiv2setup.h"
#include "tests/support/testphotos.h"

#include <QtTest>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

struct GpsReading
{
    bool found = false;
    double latitude = 99.0;
    double longitude = 99.0;
    double direction = 99.0;
    double altitude = 99.0;
};

static GpsReading readGps(const QString &path)
{
    GpsReading reading;
    reading.found = readGpsFromExif(path, reading.latitude, reading.longitude, reading.direction,
                                    reading.altitude);
    return reading;
}

static TestPhoto gpsPhoto(double latitude = 33.45, double longitude = 70.5)
{
    TestPhoto photo;
    photo.hasGps = true;
    photo.latitude = latitude;
    photo.longitude = longitude;
    return photo;
}

class ExifReaderTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    int photoCount = 0;

    // Writes the photo under a fresh name; empty when that failed.
    QString write(const TestPhoto &photo, const QString &suffix = "jpg")
    {
        const QString path = dir.filePath(QString("p%1.%2").arg(++photoCount).arg(suffix));
        return writeTestPhoto(path, photo) ? path : QString();
    }

private slots:
    void initTestCase()
    {
        initializeExiv2();
        QVERIFY(dir.isValid());
        // A zone with daylight saving time, so that the skipped hour can be tested.
        qputenv("TZ", "Europe/Madrid");
        tzset();
    }

    void onlySingleLetterReferencesTurnTheSign_data()
    {
        QTest::addColumn<QString>("latitudeRef");
        QTest::addColumn<QString>("longitudeRef");
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::newRow("S W") << "S"
                             << "W" << -33.45 << -70.5;
        QTest::newRow("lower case") << "s"
                                    << "w" << -33.45 << -70.5;
        QTest::newRow("N E") << "N"
                             << "E" << 33.45 << 70.5;
        QTest::newRow("words") << "South"
                               << "West" << 33.45 << 70.5;
    }

    void onlySingleLetterReferencesTurnTheSign()
    {
        QFETCH(QString, latitudeRef);
        QFETCH(QString, longitudeRef);
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        TestPhoto photo = gpsPhoto();
        photo.latitudeRef = latitudeRef;
        photo.longitudeRef = longitudeRef;
        const GpsReading reading = readGps(write(photo));
        QVERIFY(reading.found);
        QCOMPARE(reading.latitude, latitude);
        QCOMPARE(reading.longitude, longitude);
        QCOMPARE(reading.direction, 0.0);
        QCOMPARE(reading.altitude, 0.0);
    }

    void unusableRationalsGiveNoPosition_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("found");
        QTest::newRow("two components") << "Exif.GPSInfo.GPSLatitude"
                                        << "33/1 27/1" << false;
        QTest::newRow("zero denominator in degrees") << "Exif.GPSInfo.GPSLatitude"
                                                     << "33/0 27/1 0/1" << false;
        QTest::newRow("zero denominator in seconds") << "Exif.GPSInfo.GPSLongitude"
                                                     << "70/1 30/1 0/0" << false;
        QTest::newRow("latitude beyond the pole") << "Exif.GPSInfo.GPSLatitude"
                                                  << "95/1 0/1 0/1" << false;
        QTest::newRow("longitude beyond 180") << "Exif.GPSInfo.GPSLongitude"
                                              << "180/1 0/1 1/1" << false;
        QTest::newRow("the pole itself") << "Exif.GPSInfo.GPSLatitude"
                                         << "90/1 0/1 0/1" << true;
        QTest::newRow("zero denominator in direction") << "Exif.GPSInfo.GPSImgDirection"
                                                       << "90/0" << true;
        QTest::newRow("zero denominator in altitude") << "Exif.GPSInfo.GPSAltitude"
                                                      << "125/0" << true;
    }

    void unusableRationalsGiveNoPosition()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        TestPhoto photo = gpsPhoto();
        photo.hasDirection = photo.hasAltitude = true;
        photo.direction = 45;
        photo.altitude = 100;
        photo.extraExif.insert(key, value);
        const GpsReading reading = readGps(write(photo));
        QTEST(reading.found, "found");
        for (double output :
             {reading.latitude, reading.longitude, reading.direction, reading.altitude})
            QVERIFY(std::isfinite(output));
        if (key.endsWith("Direction"))
            QCOMPARE(reading.direction, 0.0);
        if (key.endsWith("Altitude"))
            QCOMPARE(reading.altitude, 0.0);
    }

    void unsignedNumeratorsAbove2To31StayPositive()
    {
        TestPhoto photo = gpsPhoto();
        photo.extraExif.insert("Exif.GPSInfo.GPSLatitude", "3300000000/100000000 0/1 0/1");
        const GpsReading reading = readGps(write(photo));
        QVERIFY(reading.found);
        QCOMPARE(reading.latitude, 33.0);
    }

    void missingReferencesGiveNoPositionButDirectionAndAltitude()
    {
        TestPhoto photo = gpsPhoto();
        photo.latitudeRef = photo.longitudeRef = "-";
        photo.hasDirection = photo.hasAltitude = true;
        photo.direction = 123.45;
        photo.altitude = 250;
        const GpsReading reading = readGps(write(photo));
        QVERIFY(!reading.found);
        QCOMPARE(reading.latitude, 0.0);
        QCOMPARE(reading.direction, 123.45);
        QCOMPARE(reading.altitude, 250.0);
    }

    void altitudeReferenceOneMeansBelowSeaLevel_data()
    {
        QTest::addColumn<QString>("reference");
        QTest::addColumn<double>("altitude");
        QTest::newRow("1") << "1" << -12.5;
        QTest::newRow("0") << "0" << 12.5;
        QTest::newRow("none") << "" << 12.5;
    }

    void altitudeReferenceOneMeansBelowSeaLevel()
    {
        QFETCH(QString, reference);
        TestPhoto photo = gpsPhoto();
        photo.extraExif.insert("Exif.GPSInfo.GPSAltitude", "125/10");
        if (!reference.isEmpty())
            photo.extraExif.insert("Exif.GPSInfo.GPSAltitudeRef", reference);
        QTEST(readGps(write(photo)).altitude, "altitude");
    }

    void captureTimeFallsBackToImageDateTime_data()
    {
        QTest::addColumn<QString>("original");
        QTest::addColumn<QString>("image");
        QTest::addColumn<QDateTime>("expected");
        const QDateTime untouched(QDate(1999, 1, 1), QTime(1, 1, 1));
        QTest::newRow("original") << "2024:03:05 06:07:08"
                                  << "2020:01:01 00:00:00"
                                  << QDateTime(QDate(2024, 3, 5), QTime(6, 7, 8));
        QTest::newRow("all-zero original")
                << "0000:00:00 00:00:00"
                << "2021:12:31 23:59:59" << QDateTime(QDate(2021, 12, 31), QTime(23, 59, 59));
        QTest::newRow("only image")
                << ""
                << "2022:02:02 02:02:02" << QDateTime(QDate(2022, 2, 2), QTime(2, 2, 2));
        QTest::newRow("skipped spring hour moves past the gap")
                << "2023:03:26 02:30:00"
                << "2020:01:01 00:00:00" << QDateTime(QDate(2023, 3, 26), QTime(3, 30));
        QTest::newRow("date without time") << "2023:03:26"
                                           << "" << untouched;
        QTest::newRow("neither valid") << "gestern"
                                       << "" << untouched;
    }

    void captureTimeFallsBackToImageDateTime()
    {
        QFETCH(QString, original);
        QFETCH(QString, image);
        QFETCH(QDateTime, expected);
        TestPhoto photo;
        photo.orientation = 1; // EXIF that is not empty even without dates
        photo.dateTimeOriginal = original;
        photo.imageDateTime = image;
        QDateTime dateTime(QDate(1999, 1, 1), QTime(1, 1, 1));
        const bool found = readCaptureDateTime(write(photo), dateTime);
        QCOMPARE(found, expected.date().year() != 1999);
        QCOMPARE(dateTime, expected);
        QCOMPARE(dateTime.timeSpec(), Qt::LocalTime);
    }

    void unreadableFilesGiveFalse_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("errorLine");
        QByteArray jpeg;
        {
            QTemporaryDir scratch;
            const QString path = scratch.filePath("x.jpg");
            TestPhoto photo = gpsPhoto();
            photo.dateTimeOriginal = "2024:03:05 06:07:08";
            QVERIFY(writeTestPhoto(path, photo));
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            jpeg = file.readAll();
        }
        QTest::newRow("empty") << QByteArray() << true;
        QTest::newRow("text") << QByteArray("no soy una foto\n") << true;
        QTest::newRow("jpeg cut in its header") << jpeg.left(30) << true;
        QTest::newRow("jpeg marker only") << QByteArray("\xff\xd8\xff") << true;
    }

    void unreadableFilesGiveFalse()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, errorLine);
        const QString path = dir.filePath(QString("bad%1.jpg").arg(++photoCount));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();

        if (errorLine)
            QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Error leyendo EXIF: "));
        QVERIFY(!readGps(path).found);
        if (errorLine)
            QTest::ignoreMessage(
                    QtDebugMsg,
                    QRegularExpression("^Error leyendo metadata para fecha de captura: "));
        QDateTime dateTime(QDate(1999, 1, 1), QTime(1, 1, 1));
        QVERIFY(!readCaptureDateTime(path, dateTime));
        QCOMPARE(dateTime, QDateTime(QDate(1999, 1, 1), QTime(1, 1, 1)));
    }

    void missingFileAndFolderGiveFalse()
    {
        QDateTime dateTime;
        for (const QString &path : {dir.filePath("nada.jpg"), dir.path()}) {
            QVERIFY(!readGps(path).found);
            QVERIFY(!readCaptureDateTime(path, dateTime));
        }
        QVERIFY(dateTime.isNull());
    }

    void contentNotNameDecidesTheFormat()
    {
        const QString png = write(gpsPhoto(-10.5, 20.25), "png");
        const QString misnamed = dir.filePath("png-named.jpg");
        QVERIFY(QFile::copy(png, misnamed));
        const GpsReading reading = readGps(misnamed);
        QVERIFY(reading.found);
        QCOMPARE(reading.latitude, -10.5);
        QVERIFY(!readGps(write(TestPhoto(), "png")).found);
    }

    void readersGiveTheSameResultsFromManyThreadsAtOnce()
    {
        QStringList paths;
        for (int i = 0; i < 4; ++i) {
            TestPhoto photo = gpsPhoto(10 + i, -20 - i);
            photo.dateTimeOriginal = QString("2024:01:0%1 12:00:00").arg(i + 1);
            photo.xmp.insert("Xmp.dc.source", "muestra"); // XMP parsing runs in parallel too
            paths << write(photo, i % 2 ? "png" : "jpg");
        }
        std::atomic<int> wrong {0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 6; ++t) {
            threads.emplace_back([&paths, &wrong, t] {
                for (int round = 0; round < 40; ++round) {
                    const int i = (t + round) % paths.size();
                    const GpsReading reading = readGps(paths[i]);
                    QDateTime dateTime;
                    const bool dated = readCaptureDateTime(paths[i], dateTime);
                    if (!reading.found || reading.latitude != 10 + i || reading.longitude != -20 - i
                        || !dated || dateTime.date().day() != i + 1)
                        ++wrong;
                }
            });
        }
        for (std::thread &thread : threads)
            thread.join();
        QCOMPARE(wrong.load(), 0);
    }
};

QTEST_MAIN(ExifReaderTest)
#include "exifreadertest.moc"
