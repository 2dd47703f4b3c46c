#include "coords/altitudefill.h"

#include "tests/support/altitudefillrun.h"
#include "tests/support/fakeelevationserver.h"
#include "tests/support/files.h"

#include <QDir>
#include <QLocale>
#include <QRegularExpression>
#include <QTest>

static const QByteArray header
        = "nombre_de_la_foto.jpg;zona;letra;easting;northing;orientacion;fecha_hora;altitud\n";
static const QByteArray row1 = "IMG_1.jpg;19;H;345678;6301234";
static const QByteArray row2 = "IMG_2.jpg;19;H;345678;6301234";
static const QString google = QString::fromLatin1(googleElevationProvider);
static const QString openTopo = QString::fromLatin1(openTopoDataProvider);

static QByteArray elevationJson(const char *elevation)
{
    return QByteArray(R"({"results":[{"elevation":)") + elevation + R"(}],"status":"OK"})";
}

class AltitudeFillTest : public QObject
{
    Q_OBJECT

    FillFixture fill;

private slots:
    void initTestCase()
    {
        // Decimal commas must not leak into the file, the point or the log.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }

    void init() { QVERIFY(fill.start()); }

    void cleanup() { fill = {}; }

    void altitudeColumnIsFoundByNameOrAppended_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("eighth field, short row padded") << header + row1 + '\n'
                                                        << header + row1 + ";;;100.00\n";
        QTest::newRow("spaces around the name do not match")
                << "nombre;zona;letra;easting;northing; altitud\n" + row1 + ";\n"
                << "nombre;zona;letra;easting;northing; altitud;altitud\n" + row1 + ";;100.00\n";
        QTest::newRow("appended, only answered rows grow")
                << "nombre;zona;letra;easting;northing\n" + row1 + "\nIMG_2.jpg;19;;1;2\n"
                << "nombre;zona;letra;easting;northing;altitud\n" + row1
                        + ";100.00\nIMG_2.jpg;19;;1;2\n";
        QTest::newRow("no header: first row is never queried") << row1 + '\n' + row2
                        + '\n' << row1 + ";altitud\n" + row2 + ";100.00\n";
        QTest::newRow("CR LF and byte-order mark")
                << "\xEF\xBB\xBFnombre;zona;letra;easting;northing;altitud\r\n" + row1 + ";\r\n"
                << "nombre;zona;letra;easting;northing;altitud\n" + row1 + ";100.00\n";
        QTest::newRow("Latin-1 text kept byte for byte")
                << "nombre;zona;letra;easting;northing;altitud;descripci\xF3n\n" + row1
                        + ";;Pe\xF1\x61\n\xD1\x61nd\xFA.jpg\n"
                << "nombre;zona;letra;easting;northing;altitud;descripci\xF3n\n" + row1
                        + ";100.00;Pe\xF1\x61\n\xD1\x61nd\xFA.jpg\n";
    }

    void altitudeColumnIsFoundByNameOrAppended()
    {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);
        const QString path = fill.writeCsv(input);
        fill.run(path);
        QCOMPARE(fill.readBytes(path), expected);
        QCOMPARE(fill.server->requests().size(), 1);
    }

    void unusableRowsAreSkippedWithTheirMessage_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("overwrite");
        QTest::addColumn<QString>("reason");

        QTest::newRow("four fields") << header + "IMG_1.jpg;19;H;345678\n"
                                     << true << "UTM inválido";
        QTest::newRow("altitude among the first four fields")
                << QByteArray("nombre;zona;altitud\nIMG_1.jpg;19\n") << true
                << "menos de 5 columnas";
        QTest::newRow("decimal comma") << header + "IMG_1.jpg;19;H;345678,5;6301234\n"
                                       << true << "UTM inválido";
        QTest::newRow("not a finite number") << header + "IMG_1.jpg;19;H;inf;6301234\n"
                                             << true << "UTM inválido";
        QTest::newRow("altitude kept when not overwriting") << header + row1
                        + ";;;570.3\n" << false << "ya tiene altitud y no se debe sobrescribir.";
    }

    void unusableRowsAreSkippedWithTheirMessage()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, overwrite);
        QFETCH(QString, reason);
        const QString path = fill.writeCsv(content);
        FillSettings settings;
        settings.overwrite = overwrite;
        const FillRun result = fill.run(path, settings);
        QVERIFY2(result.log.contains(QStringLiteral("DEBUG: Omisión línea 1: ") + reason),
                 qPrintable(result.log.join('\n')));
        QVERIFY(fill.server->requests().isEmpty());
        QCOMPARE(fill.readBytes(path), content);
    }

    void repliesGiveTwoDecimalValuesOrNothing_data()
    {
        QTest::addColumn<QString>("provider");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("altitude"); // empty: the row stays as it was

        QTest::newRow("overwritten and rounded") << google << elevationJson("569.987") << "569.99";
        QTest::newRow("null reads as zero") << openTopo << elevationJson("null") << "0.00";
        QTest::newRow("elevation missing")
                << openTopo << QByteArray(R"({"results":[{"location":{}}],"status":"OK"})") << "";
        QTest::newRow("empty results")
                << google << QByteArray(R"({"results":[],"status":"OK"})") << "";
        QTest::newRow("not JSON, retried")
                << google << QByteArray("<html>Bad Gateway</html>") << "100.00";
        for (const char *absurd : {"1e308", "-500.01"})
            QTest::newRow(absurd) << openTopo << elevationJson(absurd) << "";
        QTest::newRow("highest summit") << openTopo << elevationJson("9000") << "9000.00";
    }

    void repliesGiveTwoDecimalValuesOrNothing()
    {
        QFETCH(QString, provider);
        QFETCH(QByteArray, reply);
        QFETCH(QString, altitude);
        fill.server->queueJson(reply);
        const QByteArray content = header + row1 + ";;;570.3\n";
        const QString path = fill.writeCsv(content);
        FillSettings settings;
        settings.provider = provider;
        const FillRun result = fill.run(path, settings);
        QCOMPARE(fill.readBytes(path),
                 altitude.isEmpty() ? content : header + row1 + ";;;" + altitude.toLatin1() + '\n');
        QCOMPARE(result.log.contains("Altitud obtenida: " + altitude + " m"), !altitude.isEmpty());
        // A reply without a usable value says why in one line.
        QCOMPARE(result.log
                         .filter(QRegularExpression(QStringLiteral(
                                 "^(Altitud descartada para IMG_1.jpg|Error: el servicio)")))
                         .size(),
                 altitude.isEmpty() ? 1 : 0);
    }

    void theKeyReachesTheServiceButNeverTheLog()
    {
        const QString key = QStringLiteral("secret-KEY_123+a&b=%41");
        FillSettings settings;
        settings.provider = google;
        settings.key = key;
        const FillRun result = fill.run(fill.writeCsv(header + row1 + '\n'), settings);
        QCOMPARE(fill.server->requests().size(), 1);
        QCOMPARE(fill.server->requests().first().queryItems.value(1).second, key);
        QVERIFY(result.log.filter(QStringLiteral("secret")).isEmpty());
    }

    void earlyEndLeavesTheFileUntouched_data()
    {
        QTest::addColumn<QByteArray>("content"); // "(missing)": no file
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("message");
        QTest::newRow("Google without key")
                << header + row1 + '\n'
                << ""
                << "Error: Se requiere una clave de API para Google Elevation.";
        QTest::newRow("empty file") << QByteArray() << "k"
                                    << "Error: El archivo CSV está vacío.";
        QTest::newRow("missing file") << QByteArray("(missing)") << "k"
                                      << "Error: No se pudo abrir el archivo CSV para leer: ";
    }

    void earlyEndLeavesTheFileUntouched()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, key);
        QFETCH(QString, message);
        const QString path = content == "(missing)" ? fill.dir->filePath(QStringLiteral("no.csv"))
                                                    : fill.writeCsv(content);
        FillSettings settings;
        settings.provider = google;
        settings.key = key;
        const FillRun result = fill.run(path, settings);
        QVERIFY2(result.log.last().startsWith(message), qPrintable(result.log.last()));
        QVERIFY(fill.server->requests().isEmpty());
        QCOMPARE(fill.readBytes(path), content);
    }

    // A large file fails while it is written, a small one only when the
    // buffered rest is flushed at the end.
    void failedSaveLeavesTheFileAsItWas_data()
    {
        QTest::addColumn<int>("fileBytes");
        QTest::newRow("large") << 256 * 1024;
        QTest::newRow("small") << 3 * 1024;
    }

    void failedSaveLeavesTheFileAsItWas()
    {
        QFETCH(int, fileBytes);
        // The rewrite would append the header's "altitud"; a file size limit
        // below the file's size makes writing the replacement fail.
        QByteArray content("nombre;zona;letra;easting;northing\n");
        while (content.size() < fileBytes)
            content += row1 + ";570.3\n";
        const QString path = fill.writeCsv(content);
        FillSettings settings;
        settings.overwrite = false;
        FillRun result;
        {
            const FileSizeLimit limit(fileBytes / 2);
            QVERIFY(limit.isActive());
            result = fill.run(path, settings);
        }
        QVERIFY2(result.log.last().startsWith(
                         QStringLiteral("Error: No se pudo guardar los cambios en el CSV: ")),
                 qPrintable(result.log.last()));
        QCOMPARE(fill.readBytes(path), content);
        QCOMPARE(QDir(fill.dir->path()).entryList(QDir::Files).size(), 1);
    }
};

QTEST_GUILESS_MAIN(AltitudeFillTest)
#include "altitudefilltest.moc"
