#include "coords/coordinatesfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>

// Each record as one line of text, so whole maps compare with one QCOMPARE
// and a failure shows which field is off. Absent optional values print "-".
static QString describe(const QString &name, const CoordinateRecord &record)
{
    const auto number = [](double value) {
        return QString::number(value, 'g', 17);
    };
    const UtmPosition &position = record.position;
    QString text = QStringLiteral("%1: %2 %3 %4 %5")
                           .arg(name)
                           .arg(position.zone)
                           .arg(position.letter ? QString(QChar::fromLatin1(position.letter))
                                                : QStringLiteral("\\0"))
                           .arg(number(position.easting), number(position.northing));
    text += QLatin1Char(' ')
            + (position.orientation ? number(*position.orientation) : QStringLiteral("-"));
    text += QLatin1Char(' ')
            + (record.hasDateTime ? record.dateTime.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                               + (record.dateTime.timeSpec() == Qt::LocalTime
                                          ? QString()
                                          : QStringLiteral(" (not local)"))
                                  : QStringLiteral("-"));
    text += QLatin1Char(' ')
            + (position.altitude ? number(*position.altitude) : QStringLiteral("-"));
    return text;
}

static QStringList describe(const CoordinateMap &records)
{
    QStringList lines;
    for (auto it = records.cbegin(); it != records.cend(); ++it)
        lines << describe(it.key(), it.value());
    return lines;
}

class CoordinatesFileTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;

    QString writeFile(const QByteArray &content)
    {
        const QString path = dir.filePath(QStringLiteral("coordenadas.txt"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write the test file");
        file.write(content);
        return path;
    }

    CoordinateMap read(const QString &path, QStringList &log)
    {
        return readCoordinatesFile(path, [&log](const QString &line) { log << line; });
    }

    void checkFile(const QByteArray &content, const QStringList &expectedRecords,
                   const QStringList &expectedLog)
    {
        QStringList log;
        const CoordinateMap records = read(writeFile(content), log);
        QCOMPARE(describe(records), expectedRecords);
        QCOMPARE(log, expectedLog);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        // A zone with daylight saving time, so that the skipped hour can be tested.
        qputenv("TZ", "Europe/Madrid");
        tzset();
    }

    void readsEachRowIntoItsFields_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<QStringList>("log");

        QTest::newRow("required columns only")
                << QByteArray("IMG_0001.jpg;19;H;345678.5;6301234.25\n")
                << QStringList {"IMG_0001.jpg: 19 H 345678.5 6301234.25 - - -"} << QStringList {};
        QTest::newRow("every column")
                << QByteArray("a.jpg;19;H;345678;6301234;45.5;2024-03-05 14:30:00;812.25\n")
                << QStringList {"a.jpg: 19 H 345678 6301234 45.5 2024-03-05 14:30:00 812.25"}
                << QStringList {};
        QTest::newRow("empty letter means N")
                << QByteArray("IMG_0001.jpg;19;;345678;6301234")
                << QStringList {"IMG_0001.jpg: 19 N 345678 6301234 - - -"} << QStringList {};
        QTest::newRow("lower-case letter kept")
                << QByteArray("IMG_0001.jpg;19;h;345678;6301234")
                << QStringList {"IMG_0001.jpg: 19 h 345678 6301234 - - -"} << QStringList {};
        QTest::newRow("first character of the letter field")
                << QByteArray("a.jpg;19; Hx ;1;2") << QStringList {"a.jpg: 19 H 1 2 - - -"}
                << QStringList {};
        QTest::newRow("empty fields keep their column")
                << QByteArray("a.jpg;19;H;1;2;;;7") << QStringList {"a.jpg: 19 H 1 2 - - 7"}
                << QStringList {};
        QTest::newRow("fields trimmed")
                << QByteArray("  a b.jpg \t;  19 ; H ;  1.5 ; 2.5 ; 90 ; 2024-03-05T14:30:00 ; 3 ")
                << QStringList {"a b.jpg: 19 H 1.5 2.5 90 2024-03-05 14:30:00 3"} << QStringList {};
        QTest::newRow("columns after the eighth ignored")
                << QByteArray("a.jpg;19;H;1;2;3;;4;oops;;x")
                << QStringList {"a.jpg: 19 H 1 2 3 - 4"} << QStringList {};
        QTest::newRow("exponent and sign accepted")
                << QByteArray("a.jpg;+5;S;3.5e5;6.1E6;-45;;-12")
                << QStringList {"a.jpg: 5 S 350000 6100000 -45 - -12"} << QStringList {};
        QTest::newRow("bad optional values logged, row kept")
                << QByteArray("IMG_0001.jpg;19;H;345678;6301234;abc;;12.5\n")
                << QStringList {"IMG_0001.jpg: 19 H 345678 6301234 - - 12.5"}
                << QStringList {"Orientación inválida para IMG_0001.jpg: abc"};
        QTest::newRow("every optional value bad")
                << QByteArray("a.jpg;19;H;1;2; 1,5 ; ayer ; alto ")
                << QStringList {"a.jpg: 19 H 1 2 - - -"}
                << QStringList {"Orientación inválida para a.jpg: 1,5",
                                "Fecha inválida en archivo txt para a.jpg: ayer",
                                "Altitud inválida para a.jpg: alto"};
        QTest::newRow("decimal comma rejects the row")
                << QByteArray("IMG_0001.jpg;19;H;345678,5;6301234") << QStringList {}
                << QStringList {"Easting inválido para IMG_0001.jpg: 345678,5"};
        QTest::newRow("bad required values reject their rows, in file order")
                << QByteArray("a.jpg; 19x ;H;1;2\n"
                              "b.jpg;19.5;H;1;2\n"
                              "c.jpg;;H;1;2\n"
                              "d.jpg;19;H;;2\n"
                              "e.jpg;19;H;1; 2 m\n"
                              "f.jpg;19;H;nan;2\n"
                              "g.jpg;19;H;1;inf\n"
                              "h.jpg;0x13;H;1;2\n"
                              "ok.jpg;010;H;1;2\n")
                << QStringList {"ok.jpg: 10 H 1 2 - - -"}
                << QStringList {"Zona UTM inválida para a.jpg: 19x",
                                "Zona UTM inválida para b.jpg: 19.5",
                                "Zona UTM inválida para c.jpg: ",
                                "Easting inválido para d.jpg: ",
                                "Northing inválido para e.jpg: 2 m",
                                "Easting inválido para f.jpg: nan",
                                "Northing inválido para g.jpg: inf",
                                "Zona UTM inválida para h.jpg: 0x13"};
        QTest::newRow("short row logged as read, untrimmed")
                << QByteArray("  a.jpg ;19;H;1  \nb.jpg\n") << QStringList {}
                << QStringList {
                           "Línea inválida en archivo txt (menos de 5 columnas):   a.jpg ;19;H;1  ",
                           "Línea inválida en archivo txt (menos de 5 columnas): b.jpg"};
        QTest::newRow("later row replaces earlier")
                << QByteArray("a.jpg;19;H;1;2;10\nb.jpg;19;H;5;6\na.jpg;20;J;3;4\n")
                << QStringList {"a.jpg: 20 J 3 4 - - -", "b.jpg: 19 H 5 6 - - -"} << QStringList {};
        QTest::newRow("rejected later row keeps the earlier one")
                << QByteArray("a.jpg;19;H;1;2\na.jpg;19;H;x;2\n")
                << QStringList {"a.jpg: 19 H 1 2 - - -"}
                << QStringList {"Easting inválido para a.jpg: x"};
        QTest::newRow("names differing in case are distinct")
                << QByteArray("IMG_1.JPG;19;H;1;2\nimg_1.jpg;19;H;3;4\n")
                << QStringList {"IMG_1.JPG: 19 H 1 2 - - -", "img_1.jpg: 19 H 3 4 - - -"}
                << QStringList {};
        QTest::newRow("blank lines skipped anywhere")
                << QByteArray("a.jpg;19;H;1;2\n\n   \n\t\nb.jpg;19;H;3;4\n\n")
                << QStringList {"a.jpg: 19 H 1 2 - - -", "b.jpg: 19 H 3 4 - - -"} << QStringList {};
        QTest::newRow("UTF-8 names")
                << QByteArray("Ñandú año.jpg;19;H;1;2")
                << QStringList {"Ñandú año.jpg: 19 H 1 2 - - -"} << QStringList {};
        QTest::newRow("empty file") << QByteArray() << QStringList {} << QStringList {};
    }

    void readsEachRowIntoItsFields()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, records);
        QFETCH(QStringList, log);
        checkFile(content, records, log);
    }

    void firstLineAloneIsTestedForHeader_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<QStringList>("log");

        const QByteArray row("a.jpg;19;H;1;2\n");
        const QStringList rowRecord {"a.jpg: 19 H 1 2 - - -"};

        QTest::newRow("program's own header")
                << QByteArray(coordinatesFileHeader) + "\n" + row << rowRecord << QStringList {};
        QTest::newRow("header in any case")
                << "Nombre;Zona;Letra;Easting;Northing\n" + row << rowRecord << QStringList {};
        QTest::newRow("nombre with easting only")
                << "NOMBRE;x;y;EASTING;w\n" + row << rowRecord << QStringList {};
        QTest::newRow("nombre with zona only")
                << "foto nombre;la zona\n" + row << rowRecord << QStringList {};
        QTest::newRow("nombre alone is data") << "nombre;x;y;z;w\n" + row << rowRecord
                                              << QStringList {"Zona UTM inválida para nombre: x"};
        QTest::newRow("zona and easting without nombre is data")
                << "foto;zona;letra;easting;northing\n" + row << rowRecord
                << QStringList {"Zona UTM inválida para foto: zona"};
        QTest::newRow("blank first line uses up the test")
                << "\n" + QByteArray(coordinatesFileHeader) + "\n" + row << rowRecord
                << QStringList {"Zona UTM inválida para nombre_de_la_foto.jpg: zona"};
        QTest::newRow("header on a later line is data")
                << row + QByteArray(coordinatesFileHeader) + "\n"
                << rowRecord << QStringList {"Zona UTM inválida para nombre_de_la_foto.jpg: zona"};
        QTest::newRow("byte-order mark before the header")
                << "\xef\xbb\xbf" + QByteArray(coordinatesFileHeader) + "\n" + row << rowRecord
                << QStringList {};
        QTest::newRow("byte-order mark before data")
                << "\xef\xbb\xbf" + row << rowRecord << QStringList {};
        QTest::newRow("CR LF line ends")
                << QByteArray("Nombre;Zona\r\na.jpg;19;H;1;2\r\nb.jpg;19;H;1\r\n\r\n") << rowRecord
                << QStringList {
                           "Línea inválida en archivo txt (menos de 5 columnas): b.jpg;19;H;1"};
        QTest::newRow("no line end after the last row")
                << QByteArray("a.jpg;19;H;1;2\nb.jpg;19;H;3;4")
                << QStringList {"a.jpg: 19 H 1 2 - - -", "b.jpg: 19 H 3 4 - - -"} << QStringList {};
    }

    void firstLineAloneIsTestedForHeader()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, records);
        QFETCH(QStringList, log);
        checkFile(content, records, log);
    }

    // Values off the UTM grid or the Earth's surface would reach names and
    // EXIF as positions off the globe; odd line ends and huge lines must
    // neither lose rows nor flood the log.
    void offTheGlobeValuesAndOddTextAreContained_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<QStringList>("log");

        QTest::newRow("zones and band letters off the grid skip their rows")
                << QByteArray("a;0;H;1;2\rb;61;H;1;2\r\nc;60;X;1;2\nd;1;c;1;2\n"
                              "e;19;I;1;2\nf;19;Y;1;2\ng;19;\xc3\x91;1;2\nh;19;B;1;2\n"
                              "i;19;H;1e300;2\nj;19;H;1;-1\nk;19;H;1;10000001\n")
                << QStringList {"c: 60 X 1 2 - - -", "d: 1 c 1 2 - - -"}
                << QStringList {"Zona UTM inválida para a: 0",
                                "Zona UTM inválida para b: 61",
                                "Letra de zona UTM inválida para e: I",
                                "Letra de zona UTM inválida para f: Y",
                                "Letra de zona UTM inválida para g: Ñ",
                                "Letra de zona UTM inválida para h: B",
                                "Easting inválido para i: 1e300",
                                "Northing inválido para j: -1",
                                "Northing inválido para k: 10000001"};
        QTest::newRow("altitudes outside -500 to 9000 m dropped, rows kept")
                << QByteArray("a;19;H;1;2;;;-1e308\rb;19;H;1;2;;;9000.01\rc;19;H;1;2;;;-500\r")
                << QStringList {"a: 19 H 1 2 - - -", "b: 19 H 1 2 - - -", "c: 19 H 1 2 - - -500"}
                << QStringList {"Altitud inválida para a: -1e308 (fuera de -500 … 9000 m)",
                                "Altitud inválida para b: 9000.01 (fuera de -500 … 9000 m)"};
        const QByteArray longText(300000, 'x');
        const QString quoted = QString(200, QLatin1Char('x')) + QStringLiteral("…");
        QTest::newRow("long texts quoted cut")
                << longText + "\n" + longText + ";19;H;1;2;" + longText
                << QStringList {QString(longText) + ": 19 H 1 2 - - -"}
                << QStringList {"Línea inválida en archivo txt (menos de 5 columnas): " + quoted,
                                "Orientación inválida para " + quoted + ": " + quoted};
    }

    void offTheGlobeValuesAndOddTextAreContained()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, records);
        QFETCH(QStringList, log);
        checkFile(content, records, log);
    }

    void datesAreReadAsLocalClockTime_data()
    {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QString>("expected");

        QTest::newRow("ISO 8601") << QByteArray("2024-03-05T14:30:00") << "2024-03-05 14:30:00";
        QTest::newRow("ISO with space")
                << QByteArray("2024-03-05 14:30:00") << "2024-03-05 14:30:00";
        QTest::newRow("day first") << QByteArray("05/03/2024 14:30:00") << "2024-03-05 14:30:00";
        QTest::newRow("UTC designator dropped")
                << QByteArray("2024-03-05T14:30:00Z") << "2024-03-05 14:30:00";
        QTest::newRow("offset dropped")
                << QByteArray("2024-07-05T23:30:00-04:00") << "2024-07-05 23:30:00";
        QTest::newRow("repeated autumn hour keeps its reading")
                << QByteArray("27/10/2024 02:30:00") << "2024-10-27 02:30:00";
        QTest::newRow("skipped spring hour moves past the gap")
                << QByteArray("31/03/2024 02:30:00") << "2024-03-31 03:30:00";
        QTest::newRow("skipped spring hour in ISO form")
                << QByteArray("2024-03-31T02:15:00") << "2024-03-31 03:15:00";
        QTest::newRow("minutes missing") << QByteArray("05-03-2024 14:30") << QString();
        QTest::newRow("day 31 of a 30-day month") << QByteArray("31/04/2024 10:00:00") << QString();
        QTest::newRow("single-digit hour") << QByteArray("05/03/2024 4:30:00") << QString();
        QTest::newRow("hour 24") << QByteArray("05/03/2024 24:00:00") << QString();
        QTest::newRow("30 February") << QByteArray("2024-02-30 10:00:00") << QString();
        QTest::newRow("trailing text") << QByteArray("05/03/2024 14:30:00h") << QString();
        QTest::newRow("two-digit year") << QByteArray("05/03/24 14:30:00") << QString();
    }

    void datesAreReadAsLocalClockTime()
    {
        QFETCH(QByteArray, field);
        QFETCH(QString, expected);
        const QString dateText = QString::fromLatin1(field);
        if (expected.isEmpty())
            checkFile("a.jpg;19;H;1;2;;" + field + ";\n", {"a.jpg: 19 H 1 2 - - -"},
                      {"Fecha inválida en archivo txt para a.jpg: " + dateText});
        else
            checkFile("a.jpg;19;H;1;2;;" + field + ";\n", {"a.jpg: 19 H 1 2 - " + expected + " -"},
                      {});
    }

    void unopenableFileIsOneLineAndNoRecords_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing file") << dir.filePath(QStringLiteral("no-existe.csv"));
        QTest::newRow("directory") << dir.path();
    }

    void unopenableFileIsOneLineAndNoRecords()
    {
        QFETCH(QString, path);
        QStringList log;
        QVERIFY(read(path, log).isEmpty());
        QCOMPARE(log, QStringList {"Error al abrir el archivo TXT: " + path});
    }

    void readsAHundredThousandRows()
    {
        constexpr int rowCount = 100000;
        QByteArray content = QByteArray(coordinatesFileHeader) + "\r\n";
        for (int i = 0; i < rowCount; ++i)
            content += QStringLiteral("IMG_%1.jpg;%2;K;%3.25;%4.5;%5;2024-01-02 03:04:05;%6\r\n")
                               .arg(i, 6, 10, QLatin1Char('0'))
                               .arg(1 + i % 60)
                               .arg(300000 + i)
                               .arg(7000000 + i)
                               .arg(i % 360)
                               .arg(i % 4000)
                               .toUtf8();
        QStringList log;
        const CoordinateMap records = read(writeFile(content), log);
        QVERIFY(log.isEmpty());
        QCOMPARE(records.size(), rowCount);
        QCOMPARE(describe(records.firstKey(), records.first()),
                 QStringLiteral("IMG_000000.jpg: 1 K 300000.25 7000000.5 0 2024-01-02 03:04:05 0"));
        QCOMPARE(describe(QStringLiteral("IMG_099999.jpg"), records.value("IMG_099999.jpg")),
                 QStringLiteral("IMG_099999.jpg: 40 K 399999.25 7099999.5 279 2024-01-02 03:04:05 "
                                "3999"));
    }
};

QTEST_GUILESS_MAIN(CoordinatesFileTest)
#include "coordinatesfiletest.moc"
