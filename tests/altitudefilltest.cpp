#include "coords/altitudefill.h"
#include "geo/crs.h"
#include "geo/utm.h"

#include "tests/support/altitudefillrun.h"
#include "tests/support/fakeelevationserver.h"
#include "tests/support/files.h"

#include <QtTest>

Q_DECLARE_METATYPE(FakeReply)

static const QByteArray header
        = "nombre_de_la_foto.jpg;zona;letra;easting;northing;orientacion;fecha_hora;altitud\n";
static const QByteArray row1 = "IMG_1.jpg;19;H;345678;6301234";
static const QByteArray row2 = "IMG_2.jpg;19;H;345678;6301234";
static const QString google = QString::fromLatin1(googleElevationProvider);
static const QString openTopo = QString::fromLatin1(openTopoDataProvider);

static const QByteArray shortHeader = "nombre;zona;letra;easting;northing;altitud\n";
static const QString secretKey = QStringLiteral("SECRETKEY123");

// Row `i`, 10 m north of row i - 1: the points must climb when in row order.
static QByteArray rows(int from, int to, const QByteArray &suffix = {})
{
    QByteArray text;
    for (int i = from; i <= to; ++i)
        text += "IMG_" + QByteArray::number(i) + ".jpg;19;H;345678;"
                + QByteArray::number(6301234 + 10 * i) + suffix + '\n';
    return text;
}

static QByteArray elevations(const QByteArray &values)
{
    QByteArray results;
    for (const QByteArray &value : values.split(','))
        results += QByteArray(results.isEmpty() ? "" : ",") + R"({"elevation":)" + value + '}';
    return R"({"results":[)" + results + R"(],"status":"OK"})";
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

        QTest::newRow("overwritten and rounded") << google << elevations("569.987") << "569.99";
        QTest::newRow("null is no data, not sea level") << openTopo << elevations("null") << "";
        QTest::newRow("elevation missing")
                << openTopo << QByteArray(R"({"results":[{"location":{}}],"status":"OK"})") << "";
        QTest::newRow("not JSON, retried")
                << google << QByteArray("<html>Bad Gateway</html>") << "100.00";
        for (const char *absurd : {"1e308", "-500.01"})
            QTest::newRow(absurd) << openTopo << elevations(absurd) << "";
        QTest::newRow("text") << openTopo << elevations("\"812\"") << "";
        QTest::newRow("highest summit") << openTopo << elevations("9000") << "9000.00";
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
        // Complete exactly when the row got its value, after a retry too.
        QCOMPARE(result.outcome.complete(), !altitude.isEmpty());
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

    // A small file fails only when the buffered rest is flushed at the end.
    void failedSaveLeavesTheFileAsItWas()
    {
        constexpr int fileBytes = 3 * 1024;
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

    void rowsGoInGroupsInRowOrder_data()
    {
        QTest::addColumn<QString>("provider");
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<QList<int>>("groupSizes");
        QTest::newRow("OpenTopoData: 100 a request")
                << QString::fromLatin1(openTopoDataProvider) << 250 << QList<int> {100, 100, 50};
        QTest::newRow("Google: 8 000 URL characters") << google << 600 << QList<int> {283, 283, 34};
    }

    void rowsGoInGroupsInRowOrder()
    {
        QFETCH(QString, provider);
        QFETCH(int, rowCount);
        QFETCH(QList<int>, groupSizes);
        const QString path = fill.writeCsv(shortHeader + rows(1, rowCount));
        FillSettings settings;
        settings.provider = provider;
        const FillRun result = fill.run(path, settings);

        QList<int> sizes;
        QStringList points;
        for (const RecordedRequest &request : fill.server->requests()) {
            sizes.append(static_cast<int>(request.points().size()));
            points += request.points();
            QVERIFY(fill.server->baseUrl().size() + request.targetChars <= maxRequestUrlChars);
        }
        QCOMPARE(sizes, groupSizes);
        for (int i = 1; i < points.size(); ++i)
            QVERIFY(points.at(i).section(',', 0, 0).toDouble()
                    > points.at(i - 1).section(',', 0, 0).toDouble());
        QCOMPARE(fill.readBytes(path), shortHeader + rows(1, rowCount, ";100.00"));
        QCOMPARE(result.progress.size(), sizes.size() + 1);
        QCOMPARE(result.progress.last(), qMakePair(rowCount, rowCount));
    }

    // A result that names its location must be its own point (within 1e-5°,
    // under either name of a meridian), or its group gets no value.
    void repliedLocationsMustBeThePointsAsked_data()
    {
        QTest::addColumn<double>("offset"); // degrees of latitude
        QTest::addColumn<bool>("reversed");
        QTest::newRow("same points, filled") << 0.0 << false;
        QTest::newRow("within 1e-5, filled") << 0.9e-5 << false;
        QTest::newRow("2e-5 away") << 2e-5 << false;
        QTest::newRow("reversed") << 0.0 << true;
    }

    void repliedLocationsMustBeThePointsAsked()
    {
        QFETCH(double, offset);
        QFETCH(bool, reversed);
        QByteArray results;
        for (int row : reversed ? QList<int> {2, 1} : QList<int> {1, 2}) {
            double latitude = 0, longitude = 0;
            utmToLatLon(19, 'H', 345678, 6301234 + 10 * row, latitude, longitude);
            results += QStringLiteral(R"({"elevation":%1,"location":{"lat":%2,"lng":%3}},)")
                               .arg(row)
                               .arg(latitude + offset, 0, 'f', 9)
                               .arg(longitude - 360, 0, 'f', 9)
                               .toUtf8();
        }
        results.chop(1);
        fill.server->queueJson(R"({"results":[)" + results + R"(],"status":"OK"})");
        const QString path = fill.writeCsv(shortHeader + rows(1, 2));
        const bool filled = offset < 1e-5 && !reversed;
        const FillRun result = fill.run(path);
        QCOMPARE(fill.readBytes(path),
                 filled ? shortHeader + rows(1, 1, ";1.00") + rows(2, 2, ";2.00")
                        : shortHeader + rows(1, 2));
        QCOMPARE(result.log.filter("otros puntos").size(), filled ? 0 : 1);
    }

    // Skipped rows take no result.
    void resultsLandOnTheRowsAskedAbout()
    {
        fill.server->queueJson(elevations("1,3"));
        const QByteArray skipped = "nada;19;;1;2\nmal;0;H;1;2\n" + rows(2, 2, ";570");
        const QString path = fill.writeCsv(shortHeader + rows(1, 1) + skipped + rows(3, 3));
        FillSettings settings;
        settings.overwrite = false;
        fill.run(path, settings);
        QCOMPARE(fill.readBytes(path),
                 shortHeader + rows(1, 1, ";1.00") + skipped + rows(3, 3, ";3.00"));
    }

    // In a chosen system the service gets the WGS 84 place of the row's
    // numbers in it (PSAD56 of -33.45, -70.66, within 0.5 m); a row of
    // another zone than the system's is said and left alone.
    void rowsInTheChosenSystemAreAskedAtTheirWgs84Place()
    {
        QString problem;
        const auto psad56 = crsTransform(24879, problem);
        QVERIFY2(psad56, qPrintable(problem));
        const QByteArray otherZone = "b.jpg;18;H;345896.44;6297965.37\n";
        const QString path
                = fill.writeCsv(shortHeader + "a.jpg;19;H;345896.44;6297965.37\n" + otherZone);
        FillSettings settings;
        settings.crs = psad56.get();
        const FillRun run = fill.run(path, settings);
        const QStringList points = fill.server->requests().first().points();
        QCOMPARE(points.size(), 1);
        const QStringList latLon = points.first().split(',');
        QVERIFY2(qAbs(latLon.at(0).toDouble() + 33.45) < 4.5e-6
                         && qAbs(latLon.at(1).toDouble() + 70.66) < 5.4e-6,
                 qPrintable(points.first()));
        QCOMPARE(fill.readBytes(path),
                 shortHeader + "a.jpg;19;H;345896.44;6297965.37;100.00\n" + otherZone);
        QVERIFY(run.log.join('\n').contains("La fila de b.jpg está en la zona 18"));
    }

    // Each failure costs only its group's rows, a failed request is tried
    // once more, request starts stay a pause apart (give or take how long a
    // request takes to arrive: the first also starts the client's network
    // thread) and no line shows the key.
    void failedRequestsAreRetriedOnceAndCostOnlyTheirGroup_data()
    {
        QTest::addColumn<QList<FakeReply>>("replies");
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("groupFilled");
        QTest::addColumn<int>("requestCount");

        const auto make = [](FakeReply::Kind kind, int status, const QByteArray &body) {
            FakeReply reply;
            reply.kind = kind;
            reply.statusCode = status;
            reply.body = body;
            reply.location = "http://127.0.0.1:1/maps/api/elevation/json";
            return reply;
        };
        const FakeReply forbidden = make(FakeReply::Whole, 403, "{}");
        const FakeReply redirect = make(FakeReply::Redirect, 302, {});
        QTest::newRow("403 twice")
                << QList<FakeReply> {forbidden, forbidden}
                << "Error de red: el servicio respondió 403 (Forbidden)" << false << 3;
        QTest::newRow("redirect elsewhere twice")
                << QList<FakeReply> {redirect, redirect}
                << "Error de red: redirección a otro servidor rechazada" << false << 3;
        QTest::newRow("service error once")
                << QList<FakeReply> {make(FakeReply::Whole, 200, R"({"status":"UNKNOWN_ERROR"})")}
                << "Error de API Google: UNKNOWN_ERROR - " << true << 3;
        QTest::newRow("too few results, not retried")
                << QList<FakeReply> {make(FakeReply::Whole, 200, elevations("5"))}
                << "Error: el servicio devolvió 1 resultados para " << false << 2;
        QTest::newRow("endless body") << QList<FakeReply> {make(FakeReply::EndlessBody, 200, {})}
                                      << "Error de red: respuesta demasiado grande" << true << 3;
        QTest::newRow("trickled body")
                << QList<FakeReply> {make(FakeReply::TrickledBody, 200, {})}
                << "Error de red: sin respuesta completa en 1 s" << true << 3;
    }

    void failedRequestsAreRetriedOnceAndCostOnlyTheirGroup()
    {
        QFETCH(QList<FakeReply>, replies);
        QFETCH(QString, error);
        QFETCH(bool, groupFilled);
        QFETCH(int, requestCount);
        for (const FakeReply &reply : replies)
            fill.server->queueReply(reply);
        // Two groups: 8 000 URL characters hold 283 points.
        const QString path = fill.writeCsv(shortHeader + rows(1, 300));
        FillSettings settings;
        settings.provider = google;
        settings.key = secretKey;
        settings.timeoutMs = 1000;
        settings.pauseMs = 300;
        const FillRun result = fill.run(path, settings);

        QVERIFY2(result.log.filter(error).size() == replies.size(),
                 qPrintable(result.log.filter(QStringLiteral("rror")).join('\n')));
        const QList<RecordedRequest> requests = fill.server->requests();
        QCOMPARE(requests.size(), requestCount);
        for (int i = 1; i < requests.size(); ++i) {
            const qint64 gapMs = requests.at(i).receivedMs - requests.at(i - 1).receivedMs;
            QVERIFY2(gapMs >= settings.pauseMs - 100, qPrintable(QString::number(gapMs)));
        }
        QCOMPARE(fill.readBytes(path),
                 shortHeader + rows(1, 283, groupFilled ? ";100.00" : "")
                         + rows(284, 300, ";100.00"));
        QVERIFY(result.log.filter(secretKey).isEmpty());
        // Beyond the reply cap only the sockets' own buffers fill.
        QVERIFY(fill.server->streamedBytes() < 16 * 1024 * 1024);
    }
};

QTEST_GUILESS_MAIN(AltitudeFillTest)
#include "altitudefilltest.moc"
