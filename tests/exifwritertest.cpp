#include "metadata/exifwriter.h"
#include "geo/utm.h"
#include "metadata/exiv2setup.h"

#include <QtTest>

#include <exiv2/exiv2.hpp>

#include <ctime>

// A coordinates row at a latitude/longitude; every row here is written
// without direction or altitude unless a test says otherwise.
struct Row
{
    int zone = 0;
    char letter = 'N';
    double easting = 0.0;
    double northing = 0.0;
};

static Row rowAt(double latitude, double longitude)
{
    Row row;
    latLonToUtm(latitude, longitude, row.zone, row.letter, row.easting, row.northing);
    return row;
}

static void writeRow(Exiv2::ExifData &exif, const Row &row, double direction, bool hasDirection,
                     double altitude, bool hasAltitude, const QDateTime &dateTime)
{
    UtmPosition position {row.zone, row.letter, row.easting, row.northing, {}, {}};
    if (hasDirection)
        position.orientation = direction;
    if (hasAltitude)
        position.altitude = altitude;
    writeRecordToExif(exif, position, dateTime);
}

static QString text(const Exiv2::ExifData &exif, const char *key)
{
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    return it == exif.end() ? QStringLiteral("<none>") : QString::fromStdString(it->toString());
}

static const QDateTime someDate(QDate(2024, 5, 17), QTime(10, 20, 30));

class ExifWriterTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initializeExiv2(); }

    void positionIsWrittenAsDegreesMinutesAndThousandthsOfSeconds_data()
    {
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<QString>("latitudeRef");
        QTest::addColumn<QString>("latitudeText");
        QTest::addColumn<QString>("longitudeRef");
        QTest::addColumn<QString>("longitudeText");
        // The projection's round trip is exact to about 3e-10 degrees, so the
        // whole-minute case is placed a hair beyond the minute.
        QTest::newRow("south west") << -33.500000001 << -70.660000001 << "S"
                                    << "33/1 30/1 0/1000"
                                    << "W"
                                    << "70/1 39/1 36000/1000";
        QTest::newRow("seconds are not carried") << 33.4499999997 << 10.1234 << "N"
                                                 << "33/1 26/1 60000/1000"
                                                 << "E"
                                                 << "10/1 7/1 24240/1000";
        QTest::newRow("north east") << 45.123456 << 7.654321 << "N"
                                    << "45/1 7/1 24442/1000"
                                    << "E"
                                    << "7/1 39/1 15556/1000";
    }

    void positionIsWrittenAsDegreesMinutesAndThousandthsOfSeconds()
    {
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        Exiv2::ExifData exif;
        writeRow(exif, rowAt(latitude, longitude), 0, false, 0, false, someDate);
        QTEST(text(exif, "Exif.GPSInfo.GPSLatitudeRef"), "latitudeRef");
        QTEST(text(exif, "Exif.GPSInfo.GPSLatitude"), "latitudeText");
        QTEST(text(exif, "Exif.GPSInfo.GPSLongitudeRef"), "longitudeRef");
        QTEST(text(exif, "Exif.GPSInfo.GPSLongitude"), "longitudeText");
    }

    void tagsAreWrittenInOrderWithTheTypesOfTheirTags_data()
    {
        QTest::addColumn<bool>("extras");
        QTest::addColumn<QString>("expected");
        const QString position = "GPSLatitudeRef Ascii,GPSLatitude Rational,GPSLongitudeRef Ascii,"
                                 "GPSLongitude Rational,";
        const QString extras = "GPSImgDirection Rational,GPSImgDirectionRef Ascii,"
                               "GPSAltitude Rational,GPSAltitudeRef Byte,";
        const QString dates = "DateTimeOriginal Ascii,DateTimeDigitized Ascii,DateTime Ascii,"
                              "GPSVersionID Byte,GPSDateStamp Ascii,GPSTimeStamp Rational,";
        QTest::newRow("with direction and altitude") << true << position + extras + dates;
        QTest::newRow("without them") << false << position + dates;
    }

    void tagsAreWrittenInOrderWithTheTypesOfTheirTags()
    {
        QFETCH(bool, extras);
        Exiv2::ExifData exif;
        writeRow(exif, rowAt(-33.5, -70.66), 45.678, extras, -12.345, extras, someDate);
        QString written;
        for (const Exiv2::Exifdatum &datum : exif)
            written += QString::fromStdString(datum.tagName()) + " " + datum.typeName() + ",";
        QTEST(written, "expected");
        QCOMPARE(text(exif, "Exif.GPSInfo.GPSVersionID"), "2 3 0 0");
    }

    void directionAndAltitudeAreRounded_data()
    {
        QTest::addColumn<double>("direction");
        QTest::addColumn<double>("altitude");
        QTest::addColumn<QString>("directionText");
        QTest::addColumn<QString>("altitudeText");
        QTest::addColumn<QString>("altitudeRef");
        QTest::newRow("hundredths") << 45.678 << -12.345 << "4568/100"
                                    << "1235/100"
                                    << "1";
        QTest::newRow("zero") << 0.0 << 0.0 << "0/100"
                              << "0/100"
                              << "0";
        QTest::newRow("negative bearing wraps") << -90.0 << 2500.5 << "27000/100"
                                                << "250050/100"
                                                << "0";
        QTest::newRow("full negative turn") << -360.0 << 1.0 << "0/100"
                                            << "100/100"
                                            << "0";
        QTest::newRow("tiny negative bearing") << -0.001 << 1.0 << "0/100"
                                               << "100/100"
                                               << "0";
        QTest::newRow("360 and more stay") << 725.5 << 1.0 << "72550/100"
                                           << "100/100"
                                           << "0";
    }

    void directionAndAltitudeAreRounded()
    {
        QFETCH(double, direction);
        QFETCH(double, altitude);
        Exiv2::ExifData exif;
        writeRow(exif, rowAt(10, 10), direction, true, altitude, true, someDate);
        QTEST(text(exif, "Exif.GPSInfo.GPSImgDirection"), "directionText");
        QCOMPARE(text(exif, "Exif.GPSInfo.GPSImgDirectionRef"), "T");
        QTEST(text(exif, "Exif.GPSInfo.GPSAltitude"), "altitudeText");
        QTEST(text(exif, "Exif.GPSInfo.GPSAltitudeRef"), "altitudeRef");
    }

    void gpsStampsAreInUtcAcrossTheNewYear()
    {
        const QByteArray savedZone = qgetenv("TZ");
        qputenv("TZ", "UTC+3"); // POSIX sign: three hours west of UTC
        tzset();
        Exiv2::ExifData exif;
        writeRow(exif, rowAt(10, 10), 0, false, 0, false,
                 QDateTime(QDate(2023, 12, 31), QTime(23, 30)));
        // A row handed over in UTC still means its wall-clock time.
        Exiv2::ExifData fromUtc;
        writeRow(fromUtc, rowAt(10, 10), 0, false, 0, false,
                 QDateTime(QDate(2023, 12, 31), QTime(23, 30), Qt::UTC));
        if (savedZone.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", savedZone);
        tzset();

        for (const Exiv2::ExifData *written : {&exif, &fromUtc}) {
            QCOMPARE(text(*written, "Exif.Photo.DateTimeOriginal"), "2023:12:31 23:30:00");
            QCOMPARE(text(*written, "Exif.Photo.DateTimeDigitized"), "2023:12:31 23:30:00");
            QCOMPARE(text(*written, "Exif.Image.DateTime"), "2023:12:31 23:30:00");
            QCOMPARE(text(*written, "Exif.GPSInfo.GPSDateStamp"), "2024:01:01");
            QCOMPARE(text(*written, "Exif.GPSInfo.GPSTimeStamp"), "2/1 30/1 0/1");
        }
    }

    void rowWithoutValidDateWritesTheCurrentTime()
    {
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        Exiv2::ExifData exif;
        writeRow(exif, rowAt(10, 10), 0, false, 0, false, QDateTime());
        const QDateTime after = QDateTime::currentDateTime().addSecs(1);

        const QDateTime local
                = QDateTime::fromString(text(exif, "Exif.Image.DateTime"), "yyyy:MM:dd HH:mm:ss");
        QVERIFY(local >= before && local <= after);
        QCOMPARE(text(exif, "Exif.Photo.DateTimeOriginal"), text(exif, "Exif.Image.DateTime"));
        const QDateTime utc = local.toUTC();
        QCOMPARE(text(exif, "Exif.GPSInfo.GPSDateStamp"), utc.toString("yyyy:MM:dd"));
        QCOMPARE(text(exif, "Exif.GPSInfo.GPSTimeStamp"), utc.toString("H/1 m/1 s/1"));
    }

    void writingTheSameRowTwiceKeepsOneDatumPerKeyWithTheSecondValues()
    {
        Exiv2::ExifData exif;
        exif["Exif.Image.Make"] = std::string("Campo");
        writeRow(exif, rowAt(-20, -60), 10, true, 5, true, someDate);
        writeRow(exif, rowAt(20, 60), 20, true, -5, true, someDate.addDays(1));
        QCOMPARE(static_cast<int>(exif.count()), 15);
        QCOMPARE(text(exif, "Exif.Image.Make"), "Campo");
        QCOMPARE(text(exif, "Exif.GPSInfo.GPSLatitudeRef"), "N");
        QCOMPARE(text(exif, "Exif.GPSInfo.GPSLongitudeRef"), "E");
        QCOMPARE(text(exif, "Exif.GPSInfo.GPSImgDirection"), "2000/100");
        QCOMPARE(text(exif, "Exif.GPSInfo.GPSAltitudeRef"), "1");
        QCOMPARE(text(exif, "Exif.Photo.DateTimeOriginal"), "2024:05:18 10:20:30");
    }
};

QTEST_GUILESS_MAIN(ExifWriterTest)
#include "exifwritertest.moc"
