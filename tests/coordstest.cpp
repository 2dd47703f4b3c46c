#include "coords/captureinstant.h"
#include "coords/coordinatesfile.h"
#include "coords/gpxtrack.h"
#include "coords/samplefile.h"
#include "coords/trackplacement.h"
#include "coords/trackpositioning.h"
#include "metadata/exiv2image.h"
#include "metadata/exiv2setup.h"
#include "processing/photoprocessor.h"
#include "tests/support/files.h"
#include "tests/support/testphotos.h"

#include <QtTest>

Q_DECLARE_METATYPE(TestPhoto)

// A record as one line, so whole maps compare at once; absent values are "-".
static QStringList describe(const CoordinateMap &records)
{
    QStringList lines;
    const auto number = [](double value) {
        return QString::number(value, 'g', 17);
    };
    for (auto it = records.cbegin(); it != records.cend(); ++it) {
        const CoordinateRecord &record = it.value();
        const UtmPosition &r = record.position;
        const bool local = record.dateTime.timeSpec() == Qt::LocalTime;
        const QString description = record.description.isEmpty()
                ? QString()
                : QStringLiteral(" «%1»").arg(record.description);
        lines << QStringLiteral("%1: %2 %3 %4 %5 %6 %7 %8%9")
                         .arg(it.key(), QString::number(r.zone),
                              r.letter ? QString(QLatin1Char(r.letter)) : QStringLiteral("\\0"),
                              number(r.easting), number(r.northing),
                              r.orientation ? number(*r.orientation) : QStringLiteral("-"),
                              record.hasDateTime
                                      ? (local ? record.dateTime.toString("yyyy-MM-ddTHH:mm:ss")
                                               : QStringLiteral("not local"))
                                      : QStringLiteral("-"),
                              r.altitude ? number(*r.altitude) : QStringLiteral("-"), description);
    }
    return lines;
}

static QString point(double latitude, double longitude, const QString &time,
                     const QString &extra = QString())
{
    return QStringLiteral("<trkpt lat=\"%1\" lon=\"%2\"><time>%3</time>%4</trkpt>\n")
            .arg(latitude)
            .arg(longitude)
            .arg(time, extra);
}

static bool writeGpx(const QString &path, const QString &points, const QString &version = "1/1")
{
    return writeBytes(path,
                      QStringLiteral("<?xml version=\"1.0\"?>\n<gpx "
                                     "xmlns=\"http://www.topografix.com/GPX/%1\">\n<wpt "
                                     "lat=\"1\" lon=\"1\"><time>2024-03-05T12:00:00Z</time></"
                                     "wpt>\n<trk><trkseg>\n%2</trkseg></trk>\n</gpx>\n")
                              .arg(version, points)
                              .toUtf8());
}

static qint64 ms(const char *isoUtc)
{
    return QDateTime::fromString(QString::fromLatin1(isoUtc), Qt::ISODateWithMs)
            .toMSecsSinceEpoch();
}

static QString exifText(const QString &path, const QByteArray &key)
{
    const Exiv2ImagePtr image = openImageFile(path);
    const auto it = image->exifData().findKey(Exiv2::ExifKey(key.toStdString()));
    return it == image->exifData().end() ? QString() : QString::fromStdString(it->toString());
}

class CoordsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QStringList write(bool subfolders, bool useExif, const CrsTransform *crs = nullptr)
    {
        QStringList log;
        writeSampleCoordinatesFile(
                dir.filePath("fotos"), dir.filePath("ejemplo.csv"), subfolders, useExif,
                [&log](const QString &line) { log << line; }, nullptr, crs);
        return log;
    }

private slots:
    void initTestCase()
    {
        initializeExiv2();
        // A zone with a skipped spring hour; decimal commas must reach no file.
        qputenv("TZ", "Europe/Madrid");
        tzset();
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }

    void init()
    {
        QDir(dir.filePath("fotos")).removeRecursively();
        QDir().mkpath(dir.filePath("fotos"));
    }

    void readsRows_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<int>("epsg"); // the rows' system; 0: WGS 84 / UTM
        const QByteArray header = "nombre_de_la_foto.jpg;zona;letra;easting;northing;orientacion;"
                                  "fecha_hora;altitud\n";
        const QByteArray row = "a.jpg;19;H;1;2\n";
        const QStringList one = {"a.jpg: 19 H 1 2 - - -"};
        QTest::newRow("every column")
                << QByteArray("a.jpg;19;H;345678.5;6301234.25;45.5;2024-03-05 14:30:00;812.25")
                << QStringList {"a.jpg: 19 H 345678.5 6301234.25 45.5 2024-03-05T14:30:00 812.25"}
                << QStringList() << 0;
        QTest::newRow("trimmed, first letter, more columns")
                << QByteArray("  a b.jpg \t;  +5 ; sx ; 3.5e5 ; 2.5 ; -90 ; 05/03/2024 14:30:00 ; "
                              "3 ;x")
                << QStringList {"a b.jpg: 5 S 350000 2.5 -90 2024-03-05T14:30:00 3 «x»"}
                << QStringList() << 0;
        QTest::newRow("empty letter is N, empty fields keep their column")
                << QByteArray("a.jpg;19;;1;2;;;7") << QStringList {"a.jpg: 19 N 1 2 - - 7"}
                << QStringList() << 0;
        // Values off the grid or the Earth's surface would reach names and EXIF.
        QTest::newRow("zones, band letters and metres off the grid skip their rows")
                << QByteArray("a;0;H;1;2\rb;61;H;1;2\r\nc;60;X;1;2\nd;1;c;1;2\n"
                              "e;19;I;1;2\ni;19;H;1e300;2\nj;19;H;1;-1\n")
                << QStringList {"c: 60 X 1 2 - - -", "d: 1 C 1 2 - - -"}
                << QStringList {"Zona UTM inválida para a: 0", "Zona UTM inválida para b: 61",
                                "Letra de zona UTM inválida para e: I",
                                "Easting inválido para i: 1e300", "Northing inválido para j: -1"}
                << 0;
        QTest::newRow("altitudes outside -500 to 9000 m dropped, rows kept")
                << QByteArray("a;19;H;1;2;;;-1e308\rb;19;H;1;2;;;9000.01\rc;19;H;1;2;;;-500\r")
                << QStringList {"a: 19 H 1 2 - - -", "b: 19 H 1 2 - - -", "c: 19 H 1 2 - - -500"}
                << QStringList {"Altitud inválida para a: -1e308 (fuera de -500 … 9000 m)",
                                "Altitud inválida para b: 9000.01 (fuera de -500 … 9000 m)"}
                << 0;
        QTest::newRow("bad optional values, long text cut")
                << "a.jpg;19;H;1;2; 1,5 ; ayer ;" + QByteArray(300, 'x') << one
                << QStringList {"Orientación inválida para a.jpg: 1,5",
                                "Fecha inválida en archivo txt para a.jpg: ayer",
                                "Altitud inválida para a.jpg: " + QString(200, 'x') + "…"}
                << 0;
        QTest::newRow("bad required values, in file order")
                << QByteArray("a.jpg; 19x "
                              ";H;1;2\nb.jpg;19.5;H;1;2\nc.jpg;;H;1;2\nd.jpg;19;H;345678,5;2\ne."
                              "jpg;19;H;1; 2 "
                              "m\nf.jpg;19;H;nan;2\ng.jpg;19;H;1;inf\nh.jpg;0x13;H;1;2\nok.jpg;010;"
                              "H;1;2\n")
                << QStringList {"ok.jpg: 10 H 1 2 - - -"}
                << QStringList {"Zona UTM inválida para a.jpg: 19x",
                                "Zona UTM inválida para b.jpg: 19.5",
                                "Zona UTM inválida para c.jpg: ",
                                "Easting inválido para d.jpg: 345678,5",
                                "Northing inválido para e.jpg: 2 m",
                                "Easting inválido para f.jpg: nan",
                                "Northing inválido para g.jpg: inf",
                                "Zona UTM inválida para h.jpg: 0x13"}
                << 0;
        QTest::newRow("later row wins, rejected one does not")
                << QByteArray("a.jpg;19;H;1;2;10\nb.jpg;19;H;5;6\na.jpg;20;J;3;4\nb.jpg;19;H;x;2\n")
                << QStringList {"a.jpg: 20 J 3 4 - - -", "b.jpg: 19 H 5 6 - - -"}
                << QStringList {"Easting inválido para b.jpg: x"} << 0;
        QTest::newRow("own header, BOM, CR LF")
                << "\xef\xbb\xbf" + header.trimmed() + "\r\n" + row.trimmed()
                        + "\r\nb.jpg;19;H;1\r\n\r\n"
                << one
                << QStringList {"Línea inválida en archivo txt (menos de 5 columnas): b.jpg;19;H;1"}
                << 0;
        // In a chosen system a row gets the same checks: numbers off a UTM
        // zone, or numbers that name no place on Earth in the system.
        QTest::newRow("PSAD56 / UTM 19S: off the zone's ranges")
                << QByteArray("a;19;H;345896;-99999999\nb;19;H;-5;6297965\nc;19;H;345896;6297965\n")
                << QStringList {"c: 19 H 345896 6297965 - - -"}
                << QStringList {"Northing inválido para a: -99999999",
                                "Easting inválido para b: -5"}
                << 24879;
        QTest::newRow("MAGNA-SIRGAS Origen-Nacional: numbers off the projection")
                << QByteArray("a;18;N;4881143;-99999999\nb;18;N;4881143;2078651\n")
                << QStringList {"b: 18 N 4881143 2078651 - - -"}
                << QStringList {"La posición de a (E 4881143, N -99999999) no corresponde a ningún "
                                "lugar de la Tierra en MAGNA-SIRGAS / Origen-Nacional: se omite."}
                << 9377;
        QTest::newRow("header: nombre with zona or easting")
                << "Foto Nombre;la ZONA\n" + row << one << QStringList() << 0;
    }

    void readsRows()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, epsg);
        QVERIFY(writeBytes(dir.filePath("c.txt"), content));
        QString problem;
        const auto crs = epsg ? crsTransform(epsg, problem) : nullptr;
        QVERIFY2(!epsg || crs, qPrintable(problem));
        QStringList log;
        const CoordinateMap records = readCoordinatesFile(
                dir.filePath("c.txt"), [&log](const QString &line) { log << line; }, crs.get());
        QTEST(describe(records), "records");
        QTEST(log, "log");
    }

    // The format as users keep it: a file with the description column written
    // by hand, next to rows of the older eight columns.
    void readsTheDescriptionColumn()
    {
        const QByteArray file
                = "nombre_de_la_foto.jpg;zona;letra;easting;northing;orientacion;fecha_hora;"
                  "altitud;descripcion\r\n"
                  "P01.jpg;19;H;345713;6297592;45;2024-03-05 14:30:00;550;Talud norte, vista al "
                  "rajo\r\n"
                  "P02.jpg;19;H;345720;6297600;;;;  Pozo de monitoreo PM-3; tapa abierta  \r\n"
                  "P03.jpg;19;H;345730;6297610;90;;;\r\n"
                  "P04.jpg;19;H;345740;6297620;180;2024-03-05T15:00:00;560\r\n"
                  "P05.jpg;19;H;x;6297620;;;;perdida con su fila\r\n";
        QVERIFY(writeBytes(dir.filePath("descripciones.csv"), file));
        QStringList log;
        const LogCallback logTo = [&log](const QString &line) {
            log << line;
        };
        const CoordinateMap records = readCoordinatesFile(dir.filePath("descripciones.csv"), logTo);
        QCOMPARE(describe(records),
                 QStringList({"P01.jpg: 19 H 345713 6297592 45 2024-03-05T14:30:00 550 «Talud "
                              "norte, vista al rajo»",
                              "P02.jpg: 19 H 345720 6297600 - - - «Pozo de monitoreo PM-3; tapa "
                              "abierta»",
                              "P03.jpg: 19 H 345730 6297610 90 - -",
                              "P04.jpg: 19 H 345740 6297620 180 2024-03-05T15:00:00 560"}));
        QCOMPARE(log, QStringList {"Easting inválido para P05.jpg: x"});
        // The report's captions judge no position.
        log.clear();
        const auto captions = readCoordinateDescriptions(dir.filePath("descripciones.csv"), logTo);
        QCOMPARE(captions.keys(), QStringList({"P01.jpg", "P02.jpg", "P05.jpg"}));
        QCOMPARE(captions.value("P05.jpg"), QStringLiteral("perdida con su fila"));
        QVERIFY(log.isEmpty());
    }

    // Only a folder with a described photo gets the ninth column, so other
    // files stay exactly as they were.
    void sampleFileWritesDescriptionsOnlyWhenThereAreSome_data()
    {
        QTest::addColumn<QString>("caption"); // of the second photo
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("ending"); // of the first and second rows
        QTest::addColumn<QString>("described");
        const QString header = QString::fromLatin1(coordinatesFileHeader);
        QTest::newRow("none") << QString() << header << "550.0|550.0"
                              << "";
        QTest::newRow("camera text is none") << "OLYMPUS DIGITAL CAMERA" << header << "550.0|550.0"
                                             << "";
        QTest::newRow("one, its lines joined")
                << "Talud; norte\nvista al rajo" << header + ";descripcion"
                << "550.0;|550.0;Talud; norte vista al rajo"
                << "Talud; norte vista al rajo";
    }

    void sampleFileWritesDescriptionsOnlyWhenThereAreSome()
    {
        QFETCH(QString, caption);
        TestPhoto described = gpsPhoto();
        described.dateTimeOriginal = "2024:03:05 14:31:00";
        if (!caption.isEmpty())
            described.extraExif["Exif.Image.ImageDescription"] = caption;
        QVERIFY(writeTestPhoto(dir.filePath("fotos/a.jpg"), gpsPhoto()));
        QVERIFY(writeTestPhoto(dir.filePath("fotos/b.jpg"), described));
        write(false, true);
        const QStringList lines
                = QString::fromUtf8(fileBytes(dir.filePath("ejemplo.csv"))).split('\n');
        QCOMPARE(lines.size(), 4);
        QTEST(lines.at(0), "header");
        QTEST(QStringList({lines.at(1).section(';', 7), lines.at(2).section(';', 7)}).join('|'),
              "ending");
        const CoordinateMap records = readCoordinatesFile(dir.filePath("ejemplo.csv"), {});
        QTEST(records.value("b.jpg").description, "described");
        QCOMPARE(records.size(), 2);
    }

    void sampleRowsFromExifOrFixed_data()
    {
        QTest::addColumn<TestPhoto>("photo");
        QTest::addColumn<bool>("useExif");
        QTest::addColumn<QString>("row"); // "now": the current time in its place
        QTest::addColumn<int>("epsg"); // 0: WGS 84 / UTM
        TestPhoto photo = gpsPhoto();
        photo.direction = 123.9;
        photo.altitude = 570.26;
        QTest::newRow("position, direction cut, altitude, date")
                << photo << true << "19;H;345713;6297592;123;2024-03-05T14:30:00;570.3" << 0;
        TestPhoto plain = photo;
        plain.hasDirection = plain.hasAltitude = false;
        plain.dateTimeOriginal.clear();
        QTest::newRow("no direction, altitude or date")
                << plain << true << "19;H;345713;6297592;;now;" << 0;
        plain.hasGps = false;
        plain.dateTimeOriginal = "2024:03:05 14:30:00";
        QTest::newRow("no GPS: fixed position")
                << plain << true << "19;J;500000;6000000;;2024-03-05T14:30:00;" << 0;
        // The fixed place is WGS 84 / UTM: 500206.08 6000309.46 in PSAD56 (cs2cs).
        QTest::newRow("no GPS: fixed position in PSAD56")
                << plain << true << "19;J;500206;6000309;;2024-03-05T14:30:00;" << 24879;
    }

    void sampleRowsFromExifOrFixed()
    {
        QFETCH(TestPhoto, photo);
        QFETCH(bool, useExif);
        QFETCH(QString, row);
        QVERIFY(writeTestPhoto(dir.filePath("fotos/IMG%2.jpg"), photo));
        const QDateTime before = QDateTime::currentDateTime().addSecs(-2);
        QFETCH(int, epsg);
        QString problem;
        const auto crs = epsg ? crsTransform(epsg, problem) : nullptr;
        const QStringList log = write(false, useExif, crs.get());
        const QStringList lines
                = QString::fromUtf8(fileBytes(dir.filePath("ejemplo.csv"))).split('\n');
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.at(0), QString::fromLatin1(coordinatesFileHeader));
        QStringList fields = lines.at(1).split(';');
        if (row.contains("now")) {
            const QDateTime written = QDateTime::fromString(fields.value(6), "yyyy-MM-ddTHH:mm:ss");
            QVERIFY2(written >= before && written <= QDateTime::currentDateTime().addSecs(2),
                     qPrintable(lines.at(1)));
            fields[6] = "now";
        }
        QCOMPARE(fields.join(';'), "IMG%2.jpg;" + row);
        QCOMPARE(log.last(), "Archivo de ejemplo creado en: " + dir.filePath("ejemplo.csv"));
        // A chosen system is named first.
        QCOMPARE(log.size(), (photo.hasGps || !useExif ? 1 : 2) + (epsg ? 1 : 0));
    }
    void readsEveryTrackPointOfOneFileOrAFolder()
    {
        QTemporaryDir dir;
        // Named so that the later day comes first.
        // Elevations off the Earth are none; digits of other scripts are no digits.
        QVERIFY(writeGpx(dir.filePath("a.gpx"),
                         point(-33.5, -70.5, "2024-03-06T10:00:00Z", "<ele>600</ele>")
                                 + point(95, 0, "2024-03-06T10:00:01Z")
                                 + point(-33.5, -70.5, "not a time")
                                 + point(-33.5, -70.5, "2024-03-06T10:00:00.\uFF13Z")
                                 + point(-33.5, -70.5, "2024-03-06T10:00:00.\u0663Z")
                                 + point(-33.5, -70.5, "2024-03-06T11:00:00Z", "<ele>1e30</ele>")
                                 + point(-33.5, -70.5, "2024-03-06T11:00:01Z", "<ele>nan</ele>")));
        QVERIFY(writeGpx(dir.filePath("b.GPX"),
                         "<trkpt lat=\"-33.4\" lon=\"-70.6\"><extensions><time>x</time>"
                         "</extensions><time>2024-03-05T07:00:00-03:00</time></trkpt>",
                         "1/0"));
        GpxTrack track;
        QString error;
        QVERIFY2(readGpxTrack(dir.path(), track, error), qPrintable(error));
        QCOMPARE(track.fileCount, 2);
        QCOMPARE(track.skippedCount, 4);
        QCOMPARE(int(track.points.size()), 4);
        QCOMPARE(track.points[0].utcMs, ms("2024-03-05T10:00:00Z"));
        QCOMPARE(track.points[0].hasElevation, false);
        QCOMPARE(track.points[1].elevation, 600.0);
        QVERIFY(!track.points[2].hasElevation && !track.points[3].hasElevation);
        TrackPositioning positioning;
        positioning.track = track;
        QCOMPARE(trackSummary(positioning).filter("2 puntos con una elevación fuera de").size(), 1);
    }

    void placement_data()
    {
        QTest::addColumn<qint64>("seconds"); // after the first point
        QTest::addColumn<int>("match");
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<double>("elevation"); // NaN: none
        QTest::addColumn<qint64>("nearestMs");
        const double none = qQNaN();
        const int exact = int(TrackMatch::Exact), between = int(TrackMatch::Interpolated),
                  nearest = int(TrackMatch::Nearest), missing = int(TrackMatch::None);
        // Points at 0 s, 10 s, 1000 s (a gap wider than 300 s), 1010 s, 1020 s.
        QTest::newRow("interpolated") << 2LL << between << 0.2 << -0.4 << 120.0 << 0LL;
        QTest::newRow("exact point") << 10LL << exact << 1.0 << -2.0 << 200.0 << 0LL;
        QTest::newRow("before, within 60 s") << -60LL << nearest << 0.0 << 0.0 << 100.0 << 60000LL;
        QTest::newRow("wide gap, near its start")
                << 50LL << nearest << 1.0 << -2.0 << 200.0 << 40000LL;
        QTest::newRow("wide gap, middle") << 500LL << missing << 1.0 << -2.0 << 200.0 << 490000LL;
        // Across the antimeridian, not around the world.
        QTest::newRow("antimeridian, east side")
                << 1002LL << between << 5.0 << 179.4 << none << 0LL;
        QTest::newRow("antimeridian, west side")
                << 1008LL << between << 5.0 << -179.4 << none << 0LL;
        QTest::newRow("after, within 60 s")
                << 1070LL << nearest << 5.0 << -178.0 << none << 50000LL;
    }

    void placement()
    {
        QFETCH(qint64, seconds);
        GpxTrack track;
        track.points = {{0, 0.0, 0.0, 100.0, true},
                        {10000, 1.0, -2.0, 200.0, true},
                        {1000000, 5.0, 179.0, 0.0, true},
                        {1010000, 5.0, 181.0 - 360.0, 0.0, false},
                        {1020000, 5.0, -178.0, 0.0, false}};
        const TrackPlacement placement = placeOnTrack(track, seconds * 1000, 300000);
        QTEST(int(placement.match), "match");
        QTEST(placement.nearestMs, "nearestMs");
        if (placement.match == TrackMatch::None)
            return;
        QFETCH(double, elevation);
        QTEST(placement.latitude, "latitude");
        QTEST(placement.longitude, "longitude");
        QCOMPARE(placement.hasElevation, !qIsNaN(elevation));
        if (placement.hasElevation)
            QCOMPARE(placement.elevation, elevation);
    }

    // A track of two points a minute apart, from 17:30Z; instants as minutes
    // after 17:30Z.
    void clockShiftHints_data()
    {
        QTest::addColumn<QList<int>>("minutes");
        QTest::addColumn<QString>("hint");
        const QString format = "Con una diferencia de %1 h, %2 de %3 fotos quedarían dentro del "
                               "track.";
        QTest::newRow("zone three hours east of the truth")
                << QList<int> {-180, -179, 0, -181} << format.arg("3", "3", "4");
        QTest::newRow("zone two hours west") << QList<int> {120} << format.arg("-2", "1", "1");
        QTest::newRow("on the track: no hint") << QList<int> {0, 1} << QString();
        QTest::newRow("a shift would help one of three: no hint")
                << QList<int> {-180, -510, 330} << QString();
        QTest::newRow("days away: no hint") << QList<int> {-3 * 24 * 60 + 180} << QString();
    }

    void clockShiftHints()
    {
        QFETCH(QList<int>, minutes);
        TrackPositioning positioning;
        const qint64 start = ms("2024-03-05T17:30:00Z");
        positioning.track.points
                = {{start, 0.0, 0.0, 0.0, false}, {start + 60000, 0.0, 0.0, 0.0, false}};
        QVector<qint64> instants;
        for (const int minute : minutes)
            instants << start + minute * 60000LL;
        QTEST(clockShiftHint(positioning, instants), "hint");
    }

    void durations_data()
    {
        QTest::addColumn<qint64>("milliseconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("two minutes in seconds") << 120000LL << "120 s";
        QTest::newRow("fraction kept") << 120500LL << "2 min 0.5 s";
        QTest::newRow("zero parts left out") << 10500000LL << "2 h 55 min";
        QTest::newRow("hours and seconds") << 3605000LL << "1 h 5 s";
    }

    void durations()
    {
        QFETCH(qint64, milliseconds);
        QTEST(durationText(milliseconds), "text");
    }

    void captureInstants_data()
    {
        QTest::addColumn<QString>("reading"); // DateTimeOriginal; empty: no tag
        QTest::addColumn<QString>("subSeconds");
        QTest::addColumn<QString>("offset"); // OffsetTimeOriginal
        QTest::addColumn<QString>("zone");
        QTest::addColumn<int>("correction");
        QTest::addColumn<QString>("utc");
        QTest::addColumn<bool>("ambiguous");
        const QString santiago = "America/Santiago", berlin = "Europe/Berlin", no;
        const QString summer = "2024:03:05 14:30:00";
        QTest::newRow("summer zone")
                << summer << no << no << santiago << 0 << "2024-03-05T17:30:00.000Z" << false;
        QTest::newRow("photo offset beats zone")
                << summer << no << "+02:00" << santiago << 0 << "2024-03-05T12:30:00.000Z" << false;
        QTest::newRow("clock ahead")
                << summer << no << "-03:00" << berlin << 90 << "2024-03-05T17:28:30.000Z" << false;
        QTest::newRow("repeated hour, south") << "2024:04:06 23:30:00" << no << no << santiago << 0
                                              << "2024-04-07T02:30:00.000Z" << true;
        QTest::newRow("repeated hour, north") << "2024:10:27 02:30:00" << no << no << berlin << 0
                                              << "2024-10-27T00:30:00.000Z" << true;
        QTest::newRow("skipped hour") << "2024:03:31 02:30:00" << no << no << berlin << 0
                                      << "2024-03-31T01:30:00.000Z" << false;
    }

    void captureInstants()
    {
        QFETCH(QString, reading);
        QFETCH(QString, subSeconds);
        QFETCH(QString, offset);
        QFETCH(QString, zone);
        QFETCH(int, correction);
        Exiv2::ExifData exif;
        const QPair<const char *, QString> tags[] = {{"Exif.Photo.DateTimeOriginal", reading},
                                                     {"Exif.Photo.SubSecTimeOriginal", subSeconds},
                                                     {"Exif.Photo.OffsetTimeOriginal", offset}};
        for (const auto &[key, value] : tags) {
            if (!value.isEmpty())
                exif[key] = value.toStdString();
        }
        CaptureClock clock;
        readCaptureClock(exif, clock);
        const CaptureInstant instant = captureInstant(clock, QTimeZone(zone.toUtf8()), correction);
        QTEST(instant.utc.toString(Qt::ISODateWithMs), "utc");
        QTEST(instant.ambiguous, "ambiguous");
    }

    void photosOnTheTrackAreGeotaggedAndSampledOthersLeftAlone()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath("fotos");
        QVERIFY(writeGpx(dir.filePath("t.gpx"),
                         point(-33.45, -70.66, "2024-03-05T17:30:00Z", "<ele>570.26</ele>")
                                 + point(-33.46, -70.67, "2024-03-05T17:31:00Z")));
        TestPhoto onTrack;
        onTrack.dateTimeOriginal = "2024:03:05 14:30:00";
        onTrack.hasDirection = true;
        onTrack.direction = 123.0;
        TestPhoto offTrack = onTrack;
        offTrack.dateTimeOriginal = "2024:03:05 16:30:00";
        QVERIFY(writeTestPhoto(folder + "/on.jpg", onTrack));
        QVERIFY(writeTestPhoto(folder + "/off.jpg", offTrack));
        const QByteArray offBytes = fileBytes(folder + "/off.jpg");
        TrackPositioning positioning;
        QString error;
        QVERIFY(prepareTrackPositioning(dir.filePath("t.gpx"), "America/Santiago", 0, 300,
                                        positioning, error));
        writeSampleCoordinatesFile(
                folder, dir.filePath("ejemplo.csv"), false, true, [](const QString &) {},
                &positioning);
        const QString rows = QString::fromUtf8(fileBytes(dir.filePath("ejemplo.csv")));
        QVERIFY(rows.contains(QRegularExpression("\non.jpg;19;H;345713;6297592;123;.*;570.3\n")));
        QVERIFY(rows.contains("\noff.jpg;19;J;500000;6000000;;"));
        ProcessingOptions options;
        options.useGpxTrack = true;
        options.gpxPath = dir.filePath("t.gpx");
        options.cameraTimeZone = "America/Santiago";
        options.renamePhotos = options.makeBackup = options.exportLocations = true;
        const BatchResult result = runBatch(folder, options);
        QVERIFY(result.log.contains("Sin posición en el track GPX para off.jpg: el punto más "
                                    "cercano está a 1 h 59 min. ¿Zona horaria o corrección del "
                                    "reloj incorrecta?"));
        // The camera's zone is known, so the export says when in that zone.
        QVERIFY(fileBytes(folder + "/ubicaciones.csv").contains(";2024-03-05T14:30:00-03:00;"));
        const QStringList names = fileNames(folder).filter(".jpg");
        QCOMPARE(names.size(), 2);
        QCOMPARE(fileBytes(folder + "/off.jpg"), offBytes);
        QVERIFY(!QFileInfo::exists(folder + "/Backup/off_backup.jpg"));
        const QString saved = folder + "/" + names.filter("19H ").value(0);
        QStringList tags;
        for (const char *tag : {"LatitudeRef", "Latitude", "LongitudeRef", "Longitude", "Altitude",
                                "TimeStamp", "ImgDirection"})
            tags << exifText(saved, "Exif.GPSInfo.GPS" + QByteArray(tag));
        QCOMPARE(tags.join(' '),
                 "S 33/1 27/1 0/10000 W 70/1 39/1 360000/10000 57026/100 "
                 "17/1 30/1 0/1 12300/100");
    }
};

QTEST_GUILESS_MAIN(CoordsTest)
#include "coordstest.moc"
