#include "processing/stamptext.h"

#include "geo/utm.h"
#include "tests/support/testphotos.h"

#include <QTemporaryDir>
#include <QTest>

// Stamped texts must read the same under any locale; Arabic digits and a
// decimal comma would show through any locale-aware conversion.
class StampTextTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt)); }

    void orientationIsRoundedWrappedAndPadded_data()
    {
        QTest::addColumn<double>("orientation");
        QTest::addColumn<QString>("text");
        QTest::newRow("small") << 7.4 << QStringLiteral("007° N");
        QTest::newRow("east") << 90.0 << QStringLiteral("090° E");
        QTest::newRow("half rounds up") << 123.5 << QStringLiteral("124° ESE");
        QTest::newRow("rounds to 360") << 359.6 << QStringLiteral("000° N");
        QTest::newRow("two turns") << 720.0 << QStringLiteral("000° N");
        QTest::newRow("just below north") << 359.4 << QStringLiteral("359° N");
        QTest::newRow("negative keeps sign before padding") << -7.4 << QStringLiteral("-007° N");
    }
    void orientationIsRoundedWrappedAndPadded()
    {
        QFETCH(double, orientation);
        QFETCH(QString, text);
        QCOMPARE(orientationText(orientation), text);
    }

    void roseCentreTextIsNeitherWrappedNorPadded_data()
    {
        QTest::addColumn<double>("orientation");
        QTest::addColumn<QString>("text");
        QTest::newRow("rounds to 360") << 359.6 << QStringLiteral("360° N");
        QTest::newRow("small") << 7.4 << QStringLiteral("7° N");
        QTest::newRow("two turns") << 720.0 << QStringLiteral("720° N");
    }
    void roseCentreTextIsNeitherWrappedNorPadded()
    {
        QFETCH(double, orientation);
        QFETCH(QString, text);
        QCOMPARE(roseCentreText(orientation), text);
    }

    void altitudeAndDateTextsIgnoreTheLocale()
    {
        QCOMPARE(altitudeText(1234.5), QStringLiteral("Altitud: 1235 msnm"));
        QCOMPARE(altitudeText(-3.5), QStringLiteral("Altitud: -4 msnm"));
        const QDateTime time(QDate(2023, 2, 5), QTime(7, 8, 9));
        QCOMPARE(dateText(time, true), QStringLiteral("05/02/2023 07:08:09"));
        QCOMPARE(dateText(time, false), QStringLiteral("05/02/2023"));
    }

    void coordinatesTextFollowsModeAndGpsPresence()
    {
        QTemporaryDir dir;
        TestPhoto gps;
        gps.hasGps = true;
        gps.latitude = -33.45;
        gps.longitude = -70.66;
        QVERIFY(writeTestPhoto(dir.filePath("gps.jpg"), gps));
        QVERIFY(writeTestPhoto(dir.filePath("plain.jpg")));
        gps.latitude = 95.0;
        QVERIFY(writeTestPhoto(dir.filePath("beyond the pole.jpg"), gps));

        PhotoStamp photo;
        photo.utmName = QStringLiteral("19H 345678 6300000");
        latLonToUtm(-33.4504, -70.6604, photo.position.zone, photo.position.letter,
                    photo.position.easting, photo.position.northing);
        photo.photoPath = dir.filePath("gps.jpg");
        const QString utm = QStringLiteral("UTM 19H 345678 6300000");
        QCOMPARE(coordinatesText(photo, false, true), utm);
        QCOMPARE(coordinatesText(photo, true, true),
                 QStringLiteral("33° 27' 0\" S 70° 39' 36\" W"));
        QCOMPARE(coordinatesText(photo, true, false),
                 QStringLiteral("33° 27' 1\" S 70° 39' 37\" W"));
        photo.photoPath = dir.filePath("plain.jpg");
        QCOMPARE(coordinatesText(photo, true, true), utm);
        photo.photoPath = dir.filePath("missing.jpg");
        QCOMPARE(coordinatesText(photo, true, true), utm);
        photo.photoPath = dir.filePath("beyond the pole.jpg");
        QCOMPARE(coordinatesText(photo, true, true), utm);
    }
};

QTEST_GUILESS_MAIN(StampTextTest)
#include "stamptexttest.moc"
