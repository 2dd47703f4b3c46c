#include "geo/angletext.h"

#include <QTest>
#include <QtConcurrent>

#include <algorithm>

class AngleTextTest : public QObject
{
    Q_OBJECT

private slots:
    // First in the run, so that the name table is built under concurrent first use.
    void compassPointNameGivesTheSameFromManyThreads()
    {
        QList<double> directions;
        for (int i = -4000; i < 4000; ++i)
            directions << i * 0.37;
        const QStringList parallel = QtConcurrent::blockingMapped<QStringList>(
                directions, [](double direction) { return compassPointName(direction); });
        QStringList sequential;
        for (double direction : directions)
            sequential << compassPointName(direction);
        QCOMPARE(parallel, sequential);
    }

    void formatDmsTruncatesMinutesAndRoundsSeconds_data()
    {
        QTest::addColumn<double>("angle");
        QTest::addColumn<QString>("expected");

        QTest::newRow("zero") << 0.0 << "0° 0' 0\" N";
        QTest::newRow("half a degree south") << -0.5 << "0° 30' 0\" S";
        QTest::newRow("longitude east") << 70.66 << "70° 39' 36\" N";
        QTest::newRow("longitude west") << -70.66 << "70° 39' 36\" S";
        QTest::newRow("seconds rounding up") << 20.75 / 3600 << "0° 0' 21\" N";
        QTest::newRow("half second rounds up") << 0.5 / 3600 << "0° 0' 1\" N";
        QTest::newRow("half second rounds away from zero south") << -0.5 / 3600 << "0° 0' 1\" S";
        QTest::newRow("even halfway still rounds up") << 2.5 / 3600 << "0° 0' 3\" N";
        QTest::newRow("odd halfway rounds up") << 45.5 / 3600 << "0° 0' 46\" N";
        QTest::newRow("just under a half second") << 12.58236111111111 << "12° 34' 56\" N";
        QTest::newRow("minutes truncated, not rounded") << 0.99999 << "0° 59' 60\" N";
        QTest::newRow("sixty seconds without carry") << 10.9999 << "10° 59' 60\" N";
        QTest::newRow("sixty seconds without carry south") << -10.9999 << "10° 59' 60\" S";
        QTest::newRow("three-digit degrees") << 179.75 << "179° 45' 0\" N";
        QTest::newRow("beyond a half turn") << -359.5 << "359° 30' 0\" S";
    }

    void formatDmsTruncatesMinutesAndRoundsSeconds()
    {
        QFETCH(double, angle);
        QFETCH(QString, expected);
        QCOMPARE(formatDms(angle, QStringLiteral("N"), QStringLiteral("S")), expected);
    }

    void formatDmsUsesTheGivenHemisphereLetters()
    {
        QCOMPARE(formatDms(1.5, QStringLiteral("E"), QStringLiteral("W")),
                 QStringLiteral("1° 30' 0\" E"));
        QCOMPARE(formatDms(-1.5, QStringLiteral("E"), QStringLiteral("W")),
                 QStringLiteral("1° 30' 0\" W"));
    }

    void formatLatLonDmsJoinsLatitudeAndLongitude_data()
    {
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<QString>("expected");

        QTest::newRow("south west") << -33.45 << -70.66 << "33° 27' 0\" S 70° 39' 36\" W";
        QTest::newRow("north east") << 40.4168 << 3.7038 << "40° 25' 0\" N 3° 42' 14\" E";
        QTest::newRow("origin") << 0.0 << 0.0 << "0° 0' 0\" N 0° 0' 0\" E";
    }

    void formatLatLonDmsJoinsLatitudeAndLongitude()
    {
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(QString, expected);
        QCOMPARE(formatLatLonDms(latitude, longitude), expected);
    }

    void compassPointNameNamesEverySector_data()
    {
        QTest::addColumn<double>("direction");
        QTest::addColumn<QString>("expected");

        const QStringList points {"N", "NNE", "NE", "ENE", "E", "ESE", "SE", "SSE",
                                  "S", "SSW", "SW", "WSW", "W", "WNW", "NW", "NNW"};
        for (int k = 0; k < points.size(); ++k)
            QTest::addRow("centre of %s", qPrintable(points.at(k))) << k * 22.5 << points.at(k);

        QTest::newRow("359") << 359.0 << "N";
        QTest::newRow("just below halfway") << 11.2499 << "N";
        QTest::newRow("halfway rounds up") << 11.25 << "NNE";
        QTest::newRow("halfway NE") << 33.75 << "NE";
        QTest::newRow("halfway to a full turn") << 348.75 << "N";
        QTest::newRow("just below halfway to a full turn") << 348.7499 << "NNW";
        QTest::newRow("full turn") << 360.0 << "N";
        QTest::newRow("beyond a full turn") << 371.25 << "NNE";
        QTest::newRow("two turns and a quarter") << 810.0 << "E";
        QTest::newRow("slightly negative") << -5.0 << "N";
        QTest::newRow("negative just inside north") << -11.2499 << "N";
        QTest::newRow("negative halfway rounds away from zero") << -11.25 << "NNW";
        QTest::newRow("minus one sector") << -22.5 << "NNW";
        QTest::newRow("minus a quarter turn") << -90.0 << "W";
        QTest::newRow("minus a full turn") << -360.0 << "N";
        QTest::newRow("minus a turn and a sector") << -382.5 << "NNW";
    }

    void compassPointNameNamesEverySector()
    {
        QFETCH(double, direction);
        QFETCH(QString, expected);
        QCOMPARE(compassPointName(direction), expected);
    }
};

QTEST_GUILESS_MAIN(AngleTextTest)
#include "angletexttest.moc"
