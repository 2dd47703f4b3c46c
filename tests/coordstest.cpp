#include "coords/coordinatesfile.h"
#include "coords/samplefile.h"
#include "metadata/exiv2setup.h"
#include "tests/support/files.h"
#include "tests/support/testphotos.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

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
        lines << QStringLiteral("%1: %2 %3 %4 %5 %6 %7 %8")
                         .arg(it.key(), QString::number(r.zone),
                              r.letter ? QString(QLatin1Char(r.letter)) : QStringLiteral("\\0"),
                              number(r.easting), number(r.northing),
                              r.orientation ? number(*r.orientation) : QStringLiteral("-"),
                              record.hasDateTime
                                      ? (local ? record.dateTime.toString("yyyy-MM-ddTHH:mm:ss")
                                               : QStringLiteral("not local"))
                                      : QStringLiteral("-"),
                              r.altitude ? number(*r.altitude) : QStringLiteral("-"));
    }
    return lines;
}

class CoordsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QStringList write(bool subfolders, bool useExif)
    {
        QStringList log;
        writeSampleCoordinatesFile(dir.filePath("fotos"), dir.filePath("ejemplo.csv"), subfolders,
                                   useExif, [&log](const QString &line) { log << line; });
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
        const QByteArray header = "nombre_de_la_foto.jpg;zona;letra;easting;northing;orientacion;"
                                  "fecha_hora;altitud\n";
        const QByteArray row = "a.jpg;19;H;1;2\n";
        const QStringList one = {"a.jpg: 19 H 1 2 - - -"};
        QTest::newRow("every column")
                << QByteArray("a.jpg;19;H;345678.5;6301234.25;45.5;2024-03-05 14:30:00;812.25")
                << QStringList {"a.jpg: 19 H 345678.5 6301234.25 45.5 2024-03-05T14:30:00 812.25"}
                << QStringList();
        QTest::newRow("trimmed, first letter, more columns")
                << QByteArray("  a b.jpg \t;  +5 ; sx ; 3.5e5 ; 2.5 ; -90 ; 05/03/2024 14:30:00 ; "
                              "3 ;x")
                << QStringList {"a b.jpg: 5 s 350000 2.5 -90 2024-03-05T14:30:00 3"}
                << QStringList();
        QTest::newRow("empty letter is N, empty fields keep their column")
                << QByteArray("a.jpg;19;;1;2;;;7") << QStringList {"a.jpg: 19 N 1 2 - - 7"}
                << QStringList();
        // Values off the grid or the Earth's surface would reach names and EXIF.
        QTest::newRow("zones, band letters and metres off the grid skip their rows")
                << QByteArray("a;0;H;1;2\rb;61;H;1;2\r\nc;60;X;1;2\nd;1;c;1;2\n"
                              "e;19;I;1;2\ni;19;H;1e300;2\nj;19;H;1;-1\n")
                << QStringList {"c: 60 X 1 2 - - -", "d: 1 c 1 2 - - -"}
                << QStringList {"Zona UTM inválida para a: 0", "Zona UTM inválida para b: 61",
                                "Letra de zona UTM inválida para e: I",
                                "Easting inválido para i: 1e300", "Northing inválido para j: -1"};
        QTest::newRow("altitudes outside -500 to 9000 m dropped, rows kept")
                << QByteArray("a;19;H;1;2;;;-1e308\rb;19;H;1;2;;;9000.01\rc;19;H;1;2;;;-500\r")
                << QStringList {"a: 19 H 1 2 - - -", "b: 19 H 1 2 - - -", "c: 19 H 1 2 - - -500"}
                << QStringList {"Altitud inválida para a: -1e308 (fuera de -500 … 9000 m)",
                                "Altitud inválida para b: 9000.01 (fuera de -500 … 9000 m)"};
        QTest::newRow("bad optional values")
                << QByteArray("a.jpg;19;H;1;2; 1,5 ; ayer ; alto ") << one
                << QStringList {"Orientación inválida para a.jpg: 1,5",
                                "Fecha inválida en archivo txt para a.jpg: ayer",
                                "Altitud inválida para a.jpg: alto"};
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
                                "Zona UTM inválida para h.jpg: 0x13"};
        QTest::newRow("later row wins, rejected one does not")
                << QByteArray("a.jpg;19;H;1;2;10\nb.jpg;19;H;5;6\na.jpg;20;J;3;4\nb.jpg;19;H;x;2\n")
                << QStringList {"a.jpg: 20 J 3 4 - - -", "b.jpg: 19 H 5 6 - - -"}
                << QStringList {"Easting inválido para b.jpg: x"};
        QTest::newRow("own header, BOM, CR LF")
                << "\xef\xbb\xbf" + header.trimmed() + "\r\n" + row.trimmed()
                        + "\r\nb.jpg;19;H;1\r\n\r\n"
                << one
                << QStringList {
                           "Línea inválida en archivo txt (menos de 5 columnas): b.jpg;19;H;1"};
        QTest::newRow("header: nombre with zona or easting")
                << "Foto Nombre;la ZONA\n" + row << one << QStringList();
        QTest::newRow("header only on the first line")
                << "\n" + header + row << one
                << QStringList {"Zona UTM inválida para nombre_de_la_foto.jpg: zona"};
    }

    void readsRows()
    {
        QFETCH(QByteArray, content);
        QVERIFY(writeBytes(dir.filePath("c.txt"), content));
        QStringList log;
        const CoordinateMap records = readCoordinatesFile(
                dir.filePath("c.txt"), [&log](const QString &line) { log << line; });
        QTEST(describe(records), "records");
        QTEST(log, "log");
    }

    void sampleRowsFromExifOrFixed_data()
    {
        QTest::addColumn<TestPhoto>("photo");
        QTest::addColumn<bool>("useExif");
        QTest::addColumn<QString>("row"); // "now": the current time in its place
        TestPhoto photo = gpsPhoto();
        photo.direction = 123.9;
        photo.altitude = 570.26;
        QTest::newRow("position, direction cut, altitude, date")
                << photo << true << "19;H;345713;6297592;123;2024-03-05T14:30:00;570.3";
        TestPhoto plain = photo;
        plain.hasDirection = plain.hasAltitude = false;
        plain.dateTimeOriginal.clear();
        QTest::newRow("no direction, altitude or date")
                << plain << true << "19;H;345713;6297592;0;now;0.0";
        plain.hasGps = false;
        plain.dateTimeOriginal = "2024:03:05 14:30:00";
        QTest::newRow("no GPS: fixed position")
                << plain << true << "19;J;500000;6000000;;2024-03-05T14:30:00;";
        QTest::newRow("EXIF off") << photo << false << "19;J;500000;6000000;;now;";
    }

    void sampleRowsFromExifOrFixed()
    {
        QFETCH(TestPhoto, photo);
        QFETCH(bool, useExif);
        QFETCH(QString, row);
        QVERIFY(writeTestPhoto(dir.filePath("fotos/IMG%2.jpg"), photo));
        const QDateTime before = QDateTime::currentDateTime().addSecs(-2);
        const QStringList log = write(false, useExif);
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
        QCOMPARE(log.size(), photo.hasGps || !useExif ? 1 : 2);
    }
};

QTEST_GUILESS_MAIN(CoordsTest)
#include "coordstest.moc"
