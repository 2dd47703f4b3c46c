#include "geo/angletext.h"
#include "geo/crs.h"
#include "geo/utm.h"
#include "processing/elapsedtime.h"
#include "stamping/stamptext.h"

#include <QTest>
#include <QtConcurrent/QtConcurrentMap>

#include <cmath>
#include <numeric>

// Metres between two nearby positions, good enough for millimetres.
static double metresApart(double latitude1, double longitude1, double latitude2, double longitude2)
{
    const double north = (latitude2 - latitude1) * 111320.0;
    const double east = (longitude2 - longitude1) * 111320.0 * std::cos(latitude1 * M_PI / 180.0);
    return std::hypot(north, east);
}

class GeoTest : public QObject
{
    Q_OBJECT

private slots:
    // Arabic digits or a decimal comma would show through any locale-aware text.
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt)); }

    void zoneAndBand_data()
    {
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<int>("zone");
        QTest::addColumn<char>("letter");
        const auto row = [](double latitude, double longitude, int zone, char letter) {
            QTest::addRow("%g %g", latitude, longitude) << latitude << longitude << zone << letter;
        };
        const char bands[] = "CDEFGHJKLMNPQRSTUVWX"; // from -80 on, 8 degrees each
        for (int band = 1; band < 20; ++band) {
            row(-80.0 + 8 * band, 0, 31, bands[band]);
            row(-80.0 + 8 * band - 1e-4, 0, 31, bands[band - 1]);
        }
        // X goes on to the pole and C down to it; longitudes truncate towards
        // zero, but 180 is the edge of zone 60; neither the Norway nor the
        // Svalbard exception applies.
        const struct
        {
            double latitude, longitude;
            int zone;
            char letter;
        } rows[] = {{84, 0, 31, 'X'},       {90, 0, 31, 'X'},          {-1e-6, 0, 31, 'M'},
                    {-90, 0, 31, 'C'},      {-33.45, -70.66, 19, 'H'}, {10, -180, 1, 'P'},
                    {10, -185.9, 1, 'P'},   {10, -174.0001, 1, 'P'},   {10, -174, 2, 'P'},
                    {10, -0.0001, 30, 'P'}, {10, 179.9999, 60, 'P'},   {10, 180, 60, 'P'},
                    {60, 4, 31, 'V'},       {78, 10, 32, 'X'}};
        for (const auto &r : rows)
            row(r.latitude, r.longitude, r.zone, r.letter);
    }

    void zoneAndBand()
    {
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        int zone = 0;
        char letter = 0;
        double easting = 0, northing = 0;
        latLonToUtm(latitude, longitude, zone, letter, easting, northing);
        QTEST(zone, "zone");
        QTEST(letter, "letter");
    }

    // Published WGS84 values: GeographicLib's GeoConvert manual (38n), AGI STK
    // help (43S) and the Elixir "utm" package examples (Perth and Norway, which
    // disagree with each other by a centimetre, hence 2 cm).
    void publishedPositionsBothWays_data()
    {
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<int>("zone");
        QTest::addColumn<char>("letter");
        QTest::addColumn<double>("easting");
        QTest::addColumn<double>("northing");
        QTest::addColumn<double>("tolerance");
        QTest::newRow("38n") << 33.3 << 44.4 << 38 << 'S' << 444140.54 << 3684706.36 << 0.01;
        QTest::newRow("43S") << 33.5 << 74.75 << 43 << 'S' << 476779.0 << 3706747.0 << 0.5;
        QTest::newRow("Perth") << -31.953512 << 115.857048 << 50 << 'J' << 391984.4643429378
                               << 6464146.921846279 << 0.02;
        QTest::newRow("Norway") << 59.805241567229885 << 11.40618711509996 << 32 << 'V'
                                << 634980.0000762338 << 6632172.011406599 << 0.02;
        QTest::newRow("Norway inverse") << 63.50614385818526 << 9.200909996819014 << 32 << 'V'
                                        << 510000.0 << 7042000.0 << 0.02;
        QTest::newRow("central meridian") << 0.0 << 3.0 << 31 << 'N' << 500000.0 << 0.0 << 1e-9;
    }

    void publishedPositionsBothWays()
    {
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(int, zone);
        QFETCH(char, letter);
        QFETCH(double, easting);
        QFETCH(double, northing);
        QFETCH(double, tolerance);
        int actualZone = 0;
        char actualLetter = 0;
        double actualEasting = 0, actualNorthing = 0;
        latLonToUtm(latitude, longitude, actualZone, actualLetter, actualEasting, actualNorthing);
        QCOMPARE(actualZone, zone);
        QCOMPARE(actualLetter, letter);
        QVERIFY2(std::fabs(actualEasting - easting) < tolerance,
                 qPrintable(QString::number(actualEasting, 'f', 4)));
        QVERIFY2(std::fabs(actualNorthing - northing) < tolerance,
                 qPrintable(QString::number(actualNorthing, 'f', 4)));
        double backLatitude = 0, backLongitude = 0;
        utmToLatLon(zone, letter, easting, northing, backLatitude, backLongitude);
        QVERIFY(metresApart(latitude, longitude, backLatitude, backLongitude) < tolerance + 1e-6);
    }

    void everyZoneRoundTripsToUnderAMillimetre()
    {
        for (int zone = 1; zone <= 61; ++zone) {
            for (double latitude = -79.0; latitude <= 83.0; latitude += 2.0 + 1.0 / 7.0) {
                for (double offset : {-2.999, -1.7, 0.0, 0.9, 2.999}) {
                    const double longitude = 6.0 * zone - 183.0 + offset;
                    int utmZone = 0;
                    char letter = 0;
                    double easting = 0, northing = 0, backLatitude = 0, backLongitude = 0;
                    latLonToUtm(latitude, longitude, utmZone, letter, easting, northing);
                    utmToLatLon(utmZone, letter, easting, northing, backLatitude, backLongitude);
                    QCOMPARE(utmZone, zone);
                    const double error
                            = metresApart(latitude, longitude, backLatitude, backLongitude);
                    QVERIFY2(error < 0.001,
                             qPrintable(QStringLiteral("%1 %2: %3 m")
                                                .arg(latitude)
                                                .arg(longitude)
                                                .arg(error)));
                }
            }
        }
    }

    // Each row: the text the program made, and the text it must be.
    // Computed once with cs2cs (PROJ 9.1, proj-data) from EPSG:4326; none
    // of these transformations uses a grid, so ±0.01 m.
    void referencePointsInChosenSystems_data()
    {
        QTest::addColumn<int>("epsg");
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<double>("easting");
        QTest::addColumn<double>("northing");
        QTest::addColumn<QString>("shortName");
        QTest::addColumn<int>("zone"); // 0: not a UTM system
        QTest::addColumn<QString>("operation"); // part of the logged line
        QTest::newRow("WGS 84 / UTM 19S forced on zone 18")
                << 32719 << -36.8201 << -73.0444 << 139214.1350 << 5917445.6197
                << "WGS 84 / UTM 19S" << 19 << "Transformación: UTM zone 19S, exactitud 0 m.";
        QTest::newRow("PSAD56 / UTM 19S, Santiago")
                << 24879 << -33.45 << -70.66 << 345896.4414 << 6297965.3699 << "PSAD56 / UTM 19S"
                << 19 << "Inverse of PSAD56 to WGS 84 (16) + UTM zone 19S, exactitud 17 m.";
        QTest::newRow("SIRGAS-Chile 2016 / UTM 19S, Santiago")
                << 9155 << -33.45 << -70.66 << 345713.1543 << 6297592.0285
                << "SIRGAS-Chile 2016 / UTM 19S" << 19 << "PSAD56 to SIRGAS-Chile 2016 (2)";
        QTest::newRow("SIRGAS-Chile 2016 / UTM 19S, Aysén: ballpark only")
                << 9155 << -45.57 << -72.07 << 260450.2550 << 4949141.5256
                << "SIRGAS-Chile 2016 / UTM 19S" << 19
                << "exactitud desconocida.\nAviso: entre WGS 84 y SIRGAS-Chile 2016 / UTM zone 19S "
                   "solo hay una transformación aproximada";
        QTest::newRow("ETRS89 / UTM 30N, Madrid")
                << 25830 << 40.4168 << -3.7038 << 440290.4581 << 4474257.3819 << "ETRS89 / UTM 30N"
                << 30 << "Inverse of ETRS89 to WGS 84 (1) + UTM zone 30N, exactitud 1 m.";
        QTest::newRow("MAGNA-SIRGAS Origen-Nacional, northing first in EPSG")
                << 9377 << 4.711 << -74.0721 << 4881143.1487 << 2078651.3122
                << "MAGNA-SIRGAS / Origen-Nacional" << 0 << "Colombia Transverse Mercator";
        QTest::newRow("POSGAR 2007 / Argentina 1, Bariloche")
                << 5343 << -41.1335 << -71.3103 << 1557911.2327 << 5446337.9144
                << "POSGAR 2007 / Argentina 1" << 0 << "POSGAR 2007 to WGS 84 (2)";
    }

    void referencePointsInChosenSystems()
    {
        QFETCH(int, epsg);
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(double, easting);
        QFETCH(double, northing);
        QString problem;
        const auto transform = crsTransform(epsg, problem);
        QVERIFY2(transform, qPrintable(problem));
        QTEST(transform->shortName(), "shortName");
        QTEST(transform->utmZone().value_or(0), "zone");
        double e = 0.0, n = 0.0, backLatitude = 0.0, backLongitude = 0.0;
        QString logged;
        QVERIFY(transform->forward(latitude, longitude, e, n, &logged));
        QVERIFY2(std::abs(e - easting) < 0.01, qPrintable(QString::number(e, 'f', 4)));
        QVERIFY2(std::abs(n - northing) < 0.01, qPrintable(QString::number(n, 'f', 4)));
        QFETCH(QString, operation);
        QVERIFY2(logged.contains(operation), qPrintable(logged));
        QVERIFY(transform->inverse(easting, northing, backLatitude, backLongitude));
        QVERIFY(metresApart(latitude, longitude, backLatitude, backLongitude) < 0.01);
    }

    // Each thread transforms through its own context and copy.
    void transformsFromManyThreadsAgree()
    {
        QString problem;
        const auto transform = crsTransform(24879, problem);
        QVERIFY(transform);
        QVector<int> steps(400);
        std::iota(steps.begin(), steps.end(), 0);
        const auto wrong = QtConcurrent::blockingMapped(steps, [&](int step) {
            // PSAD56 lies about 373 m north of WGS 84 here.
            const double latitude = -33.45 + step * 1e-4;
            int zone = 0;
            char letter = 0;
            double e = 0.0, n = 0.0, wgsE = 0.0, wgsN = 0.0;
            latLonToUtm(latitude, -70.66, zone, letter, wgsE, wgsN);
            return !transform->forward(latitude, -70.66, e, n) || std::abs(n - wgsN - 373) > 5;
        });
        QVERIFY(!wrong.contains(true));
    }

    // Refused: what PROJ does not know, no projected system, and axes that
    // are no easting and northing (a westing would be written as an easting).
    // A deprecated system runs, its first line naming the replacement.
    void onlyKnownProjectedSystemsAreAccepted_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("epsg"); // 0: refused
        QTest::addColumn<QString>("said"); // in the refusal, or in the run's first warning
        QTest::newRow("projected") << "EPSG:24879" << 24879 << "";
        QTest::newRow("lower case") << "epsg:9377" << 9377 << "";
        QTest::newRow("geographic") << "EPSG:4326" << 0 << "no es un sistema proyectado";
        QTest::newRow("unknown code") << "EPSG:999999" << 0 << "no conoce";
        QTest::newRow("no authority") << "24879" << 0 << "no válido";
        QTest::newRow("empty") << "" << 0 << "no válido";
        QTest::newRow("westing and southing (Lo19)")
                << "EPSG:2048" << 0 << "(Westing, Southing) apuntan al oeste y sur";
        QTest::newRow("southing and westing (Krovak)")
                << "EPSG:5513" << 0 << "(Southing, Westing) apuntan al sur y oeste";
        QTest::newRow("Krovak East North") << "EPSG:5514" << 5514 << "";
        QTest::newRow("northing first") << "EPSG:2193" << 2193 << "";
        QTest::newRow("deprecated, with a replacement")
                << "EPSG:2037" << 2037
                << "EPSG:2037 (NAD83(CSRS98) / UTM zone 19N) está obsoleto en la base de datos "
                   "EPSG; su reemplazo es EPSG:2960 (NAD83(CSRS) / UTM zone 19N).";
    }

    void onlyKnownProjectedSystemsAreAccepted()
    {
        QFETCH(QString, code);
        QFETCH(QString, said);
        QString problem;
        const auto entry = findProjectedCrs(code, problem);
        QTEST(entry ? entry->epsg : 0, "epsg");
        QCOMPARE(problem.isEmpty(), bool(entry));
        if (!entry) {
            QVERIFY2(problem.contains(said), qPrintable(problem));
            return;
        }
        const auto transform = crsTransform(entry->epsg, problem);
        QVERIFY2(transform, qPrintable(problem));
        const QString warning = transform->choiceLines().value(1);
        QCOMPARE(warning.startsWith(QStringLiteral("Aviso: ")) && warning.contains(said),
                 !said.isEmpty());
    }

    // A row's numbers name a place only where they come back from it: far off
    // the projection PROJ's formulas still give a place, which does not.
    void placeOfNumbersOffTheProjection_data()
    {
        QTest::addColumn<int>("epsg");
        QTest::addColumn<double>("easting");
        QTest::addColumn<double>("northing");
        QTest::addColumn<bool>("found");
        QTest::newRow("Santiago in PSAD56") << 24879 << 345896.0 << 6297965.0 << true;
        QTest::newRow("northing -99 999 999") << 24879 << 345896.0 << -99999999.0 << false;
        QTest::newRow("easting off every zone") << 24879 << 5.0e7 << 6297965.0 << false;
        QTest::newRow("Bogotá, northing first") << 9377 << 4881143.1487 << 2078651.3122 << true;
    }

    void placeOfNumbersOffTheProjection()
    {
        QFETCH(int, epsg);
        QFETCH(double, easting);
        QFETCH(double, northing);
        QString problem;
        const auto transform = crsTransform(epsg, problem);
        QVERIFY2(transform, qPrintable(problem));
        LatLon place;
        QTEST(transform->placeOf(easting, northing, place), "found");
    }

    // The photos' own systems come first in the picker.
    void systemsHoldingThePhotosComeFirst()
    {
        const auto list = crsListForPlaces({{-33.45, -70.66}, {-33.5, -70.7}});
        QVERIFY(list.size() > 1000);
        const auto psad = std::find_if(list.cbegin(), list.cend(),
                                       [](const CrsEntry &e) { return e.epsg == 24879; });
        QVERIFY(psad != list.cend());
        QVERIFY(list.first().contains(-33.45, -70.66));
        QVERIFY(!list.last().contains(-33.45, -70.66));
        QVERIFY(std::all_of(list.cbegin(), psad,
                            [](const CrsEntry &e) { return e.contains(-33.5, -70.7); }));
    }

    void stampedTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const QString n = QStringLiteral("N"), s = QStringLiteral("S");
        const QDateTime time(QDate(2023, 2, 5), QTime(7, 8, 9));
        const QPair<QString, const char *> rows[] = {
                {formatDms(-0.5, n, s), "0° 30' 0\" S"},
                {formatDms(20.75 / 3600, n, s), "0° 0' 21\" N"},
                {formatDms(-0.5 / 3600, n, s), "0° 0' 1\" S"}, // halves away from zero
                {formatDms(12.58236111111111, n, s), "12° 34' 56\" N"},
                {formatDms(10.9999, n, s), "10° 59' 60\" N"}, // minutes cut, seconds not carried
                {formatLatLonDms(-33.45, -70.66), "33° 27' 0\" S 70° 39' 36\" W"},
                {compassPointName(11.2499) + compassPointName(11.25) + compassPointName(33.75),
                 "NNNENE"},
                {compassPointName(810) + compassPointName(-11.2499) + compassPointName(-11.25),
                 "ENNNW"},
                {orientationText(7.4), "007° N"},
                {orientationText(123.5), "124° ESE"},
                {orientationText(359.6) + orientationText(720), "000° N000° N"},
                {roseCentreText(359.6) + roseCentreText(720), "360° N720° N"},
                {altitudeText(1234.5) + altitudeText(-3.5), "Altitud: 1235 msnmAltitud: -4 msnm"},
                {dateText(time, true) + dateText(time, false), "05/02/2023 07:08:0905/02/2023"},
                {formatElapsedTime(59999) + formatElapsedTime(65000), "59s1m 05s"},
                {formatElapsedTime(3723000) + formatElapsedTime(36000000), "1h 02m 03s10h 00m 00s"},
        };
        for (const auto &[text, expected] : rows)
            QTest::newRow(expected) << text << QString::fromUtf8(expected);
    }

    void stampedTexts()
    {
        QFETCH(QString, text);
        QTEST(text, "expected");
    }
};

QTEST_GUILESS_MAIN(GeoTest)
#include "geotest.moc"
