#include "coords/altitudefill.h"

#include "tests/support/fakeelevationserver.h"

#include <QEventLoop>
#include <QFile>
#include <QFutureWatcher>
#include <QLocale>
#include <QMutex>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>

#include <csignal>
#include <memory>
#include <optional>
#include <sys/resource.h>

Q_DECLARE_METATYPE(FakeReply)

static const char standardHeader[]
        = "nombre_de_la_foto.jpg;zona;letra;easting;northing;orientacion;fecha_hora;altitud";

// What one run reported.
struct FillRun
{
    QStringList log;
    QList<QPair<int, int>> progress;
};

static QByteArray elevationJson(const char *elevation)
{
    return QByteArray(R"({"results":[{"elevation":)") + elevation + R"(}],"status":"OK"})";
}

class AltitudeFillTest : public QObject
{
    Q_OBJECT

private:
    QString writeCsv(const QByteArray &content)
    {
        const QString path = dir->filePath(QStringLiteral("coordenadas.csv"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    static QByteArray readBytes(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Runs the job on the global pool, as the window does, while this thread
    // keeps serving the fake service.
    FillRun run(const QString &path, const QString &provider = QLatin1String(openTopoDataProvider),
                const QString &key = QString(), bool overwrite = true, int timeoutMs = 5000,
                std::optional<QString> baseUrl = std::nullopt)
    {
        FillRun result;
        QMutex mutex;
        const QString url = baseUrl.value_or(server->baseUrl());
        QFutureWatcher<void> watcher;
        QEventLoop loop;
        connect(&watcher, &QFutureWatcher<void>::finished, &loop, &QEventLoop::quit);
        watcher.setFuture(QtConcurrent::run([&] {
            fillAltitudes(
                    path, provider, key, overwrite,
                    [&](const QString &line) {
                        QMutexLocker lock(&mutex);
                        result.log.append(line);
                    },
                    [&](int done, int total) {
                        QMutexLocker lock(&mutex);
                        result.progress.append({done, total});
                    },
                    url, 0, timeoutMs);
        }));
        loop.exec();
        return result;
    }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<FakeElevationServer> server;

private slots:
    void initTestCase()
    {
        // Decimal commas must not leak into the file, the point or the log.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }

    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        server = std::make_unique<FakeElevationServer>();
        QVERIFY(server->start());
    }

    void cleanup()
    {
        server.reset();
        dir.reset();
    }

    void altitudeColumnIsFoundByNameOrAppended_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<int>("requests");

        QTest::newRow("eighth field, short row padded")
                << QByteArray(standardHeader) + "\nIMG_1.jpg;19;H;345678;6301234\n"
                << QByteArray(standardHeader) + "\nIMG_1.jpg;19;H;345678;6301234;;;100.00\n"
                << 1;
        QTest::newRow("any letter case")
                << QByteArray("Nombre;Zona;Letra;Easting;Northing;ALTITUD;Notas\n"
                              "IMG_1.jpg;19;H;345678;6301234;;visto\n")
                << QByteArray("Nombre;Zona;Letra;Easting;Northing;ALTITUD;Notas\n"
                              "IMG_1.jpg;19;H;345678;6301234;100.00;visto\n")
                << 1;
        QTest::newRow("spaces around the name do not match")
                << QByteArray("nombre;zona;letra;easting;northing; altitud\n"
                              "IMG_1.jpg;19;H;345678;6301234;\n")
                << QByteArray("nombre;zona;letra;easting;northing; altitud;altitud\n"
                              "IMG_1.jpg;19;H;345678;6301234;;100.00\n")
                << 1;
        QTest::newRow("appended, only answered rows grow")
                << QByteArray("nombre;zona;letra;easting;northing\n"
                              "IMG_1.jpg;19;H;345678;6301234\n"
                              "IMG_2.jpg;19;;345678;6301234\n")
                << QByteArray("nombre;zona;letra;easting;northing;altitud\n"
                              "IMG_1.jpg;19;H;345678;6301234;100.00\n"
                              "IMG_2.jpg;19;;345678;6301234\n")
                << 1;
        QTest::newRow("no header: first row is never queried")
                << QByteArray("IMG_0.jpg;19;H;345678;6301234\nIMG_1.jpg;19;H;345678;6301234\n")
                << QByteArray("IMG_0.jpg;19;H;345678;6301234;altitud\n"
                              "IMG_1.jpg;19;H;345678;6301234;100.00\n")
                << 1;
        QTest::newRow("CR LF and byte-order mark")
                << QByteArray("\xEF\xBB\xBFnombre;zona;letra;easting;northing;altitud\r\n"
                              "IMG_1.jpg;19;H;345678;6301234;\r\n")
                << QByteArray("nombre;zona;letra;easting;northing;altitud\n"
                              "IMG_1.jpg;19;H;345678;6301234;100.00\n")
                << 1;
    }

    void altitudeColumnIsFoundByNameOrAppended()
    {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);
        QFETCH(int, requests);
        const QString path = writeCsv(input);
        run(path);
        QCOMPARE(readBytes(path), expected);
        QCOMPARE(server->requests().size(), requests);
    }

    void unusableRowsAreSkippedWithTheirMessage_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QByteArray>("row");
        QTest::addColumn<QString>("message");

        const QByteArray header(standardHeader);
        QTest::newRow("four fields") << header << QByteArray("IMG_1.jpg;19;H;345678")
                                     << "DEBUG: Omisión línea 1: UTM inválido";
        QTest::newRow("blank line")
                << header << QByteArray("   ") << "DEBUG: Omisión línea 1: letra de zona ausente";
        QTest::newRow("empty letter") << header << QByteArray("IMG_1.jpg;19; ;345678;6301234")
                                      << "DEBUG: Omisión línea 1: letra de zona ausente";
        QTest::newRow("altitude among the first fields")
                << QByteArray("nombre;zona;altitud") << QByteArray("IMG_1.jpg;19")
                << "DEBUG: Omisión línea 1: menos de 5 columnas";
        QTest::newRow("zone not an integer") << header << QByteArray("IMG_1.jpg;19.5;H;1;2")
                                             << "DEBUG: Omisión línea 1: UTM inválido";
        QTest::newRow("decimal comma") << header << QByteArray("IMG_1.jpg;19;H;345678,5;6301234")
                                       << "DEBUG: Omisión línea 1: UTM inválido";
        QTest::newRow("not a finite number") << header << QByteArray("IMG_1.jpg;19;H;inf;6301234")
                                             << "DEBUG: Omisión línea 1: UTM inválido";
    }

    void unusableRowsAreSkippedWithTheirMessage()
    {
        QFETCH(QByteArray, header);
        QFETCH(QByteArray, row);
        QFETCH(QString, message);
        const QByteArray content = header + '\n' + row + '\n';
        const QString path = writeCsv(content);
        const FillRun result = run(path);
        QVERIFY2(result.log.contains(message), qPrintable(result.log.join('\n')));
        QVERIFY(server->requests().isEmpty());
        QCOMPARE(readBytes(path), content);
    }

    void overwriteFlagDecidesWhetherAnAltitudeIsReplaced_data()
    {
        QTest::addColumn<bool>("overwrite");
        QTest::addColumn<QByteArray>("expectedRow");
        QTest::addColumn<int>("requests");
        QTest::newRow("on") << true << QByteArray("IMG_1.jpg;19;H;345678;6301234;;;570.26") << 1;
        QTest::newRow("off") << false << QByteArray("IMG_1.jpg;19;H;345678;6301234;;;570.3") << 0;
    }

    void overwriteFlagDecidesWhetherAnAltitudeIsReplaced()
    {
        QFETCH(bool, overwrite);
        QFETCH(QByteArray, expectedRow);
        QFETCH(int, requests);
        server->queueJson(elevationJson("570.26"));
        const QString path = writeCsv(QByteArray(standardHeader)
                                      + "\nIMG_1.jpg;19;H;345678;6301234;;;570.3\n");
        const FillRun result = run(path, QLatin1String(openTopoDataProvider), QString(), overwrite);
        QCOMPARE(readBytes(path), QByteArray(standardHeader) + '\n' + expectedRow + '\n');
        QCOMPARE(server->requests().size(), requests);
        QCOMPARE(result.log.contains(QStringLiteral("DEBUG: Omisión línea 1: ya tiene altitud y no "
                                                    "se debe sobrescribir.")),
                 !overwrite);
    }

    void repliesGiveTwoDecimalValuesOrNothing_data()
    {
        QTest::addColumn<QString>("provider");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("altitude"); // empty: the row is left as it was

        const QString google = QLatin1String(googleElevationProvider);
        const QString openTopo = QLatin1String(openTopoDataProvider);
        QTest::newRow("rounded, Google") << google << elevationJson("569.987") << "569.99";
        QTest::newRow("rounded, OpenTopoData") << openTopo << elevationJson("569.987") << "569.99";
        QTest::newRow("whole number") << openTopo << elevationJson("12") << "12.00";
        QTest::newRow("below sea level") << google << elevationJson("-27.125") << "-27.13";
        QTest::newRow("null reads as zero") << openTopo << elevationJson("null") << "0.00";
        QTest::newRow("elevation as text") << google << elevationJson("\"570\"") << "";
        QTest::newRow("elevation missing")
                << openTopo << QByteArray(R"({"results":[{"location":{}}],"status":"OK"})") << "";
        QTest::newRow("empty results")
                << google << QByteArray(R"({"results":[],"status":"OK"})") << "";
        QTest::newRow("results not an array")
                << openTopo << QByteArray(R"({"results":{"elevation":5},"status":"OK"})") << "";
        QTest::newRow("first result not an object")
                << google << QByteArray(R"({"results":[570],"status":"OK"})") << "";
        QTest::newRow("not JSON") << openTopo << QByteArray("<html>Bad Gateway</html>") << "";
    }

    void repliesGiveTwoDecimalValuesOrNothing()
    {
        QFETCH(QString, provider);
        QFETCH(QByteArray, reply);
        QFETCH(QString, altitude);
        server->queueJson(reply);
        const QByteArray row("IMG_1.jpg;19;H;345678;6301234;;;");
        const QString path = writeCsv(QByteArray(standardHeader) + '\n' + row + '\n');
        const FillRun result = run(path, provider, QStringLiteral("k"));
        QCOMPARE(readBytes(path),
                 QByteArray(standardHeader) + '\n' + row + altitude.toLatin1() + '\n');
        QCOMPARE(result.log.contains(QStringLiteral("Altitud obtenida: ") + altitude
                                     + QStringLiteral(" m")),
                 !altitude.isEmpty());
        QVERIFY(!result.log.filter(QStringLiteral("DEBUG: Respuesta cruda: ")).isEmpty());
    }

    void serviceErrorsAreLoggedAndTheRunGoesOn_data()
    {
        QTest::addColumn<QString>("provider");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("message");

        const QString google = QLatin1String(googleElevationProvider);
        const QString openTopo = QLatin1String(openTopoDataProvider);
        QTest::newRow("Google with message")
                << google
                << QByteArray(R"({"status":"REQUEST_DENIED","error_message":"Clave inválida"})")
                << "Error de API Google: REQUEST_DENIED - Clave inválida";
        QTest::newRow("Google without message")
                << google << QByteArray(R"({"results":[],"status":"OVER_QUERY_LIMIT"})")
                << "Error de API Google: OVER_QUERY_LIMIT - ";
        QTest::newRow("OpenTopoData with error")
                << openTopo
                << QByteArray(R"({"status":"INVALID_REQUEST","error":"Too many locations"})")
                << "Error de API OpenTopoData: INVALID_REQUEST - Too many locations";
        QTest::newRow("OpenTopoData without error")
                << openTopo << QByteArray(R"({"status":"SERVER_ERROR"})")
                << "Error de API OpenTopoData: SERVER_ERROR - Sin detalles";
        QTest::newRow("OpenTopoData OK without results")
                << openTopo << QByteArray(R"({"status":"OK"})")
                << "Error de API OpenTopoData: OK - Sin detalles";
    }

    void serviceErrorsAreLoggedAndTheRunGoesOn()
    {
        QFETCH(QString, provider);
        QFETCH(QByteArray, reply);
        QFETCH(QString, message);
        server->queueJson(reply);
        const QString path = writeCsv(QByteArray(standardHeader)
                                      + "\nIMG_1.jpg;19;H;345678;6301234\n"
                                        "IMG_2.jpg;19;H;345678;6301234\n");
        const FillRun result = run(path, provider, QStringLiteral("k"));
        QVERIFY2(result.log.contains(message), qPrintable(result.log.join('\n')));
        QCOMPARE(readBytes(path),
                 QByteArray(standardHeader)
                         + "\nIMG_1.jpg;19;H;345678;6301234\n"
                           "IMG_2.jpg;19;H;345678;6301234;;;100.00\n");
    }

    void requestsCarryTheProviderPathAndQueryInRowOrder_data()
    {
        QTest::addColumn<QString>("provider");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("Google") << QString::fromLatin1(googleElevationProvider)
                                << "/maps/api/elevation/json"
                                << QStringList {QStringLiteral("locations"), QStringLiteral("key")};
        QTest::newRow("OpenTopoData") << QString::fromLatin1(openTopoDataProvider) << "/v1/srtm30m"
                                      << QStringList {QStringLiteral("locations")};
        QTest::newRow("unknown name means OpenTopoData")
                << QStringLiteral("Otro") << "/v1/srtm30m"
                << QStringList {QStringLiteral("locations")};
    }

    void requestsCarryTheProviderPathAndQueryInRowOrder()
    {
        QFETCH(QString, provider);
        QFETCH(QString, path);
        QFETCH(QStringList, keys);
        // Santiago (-33.45, -70.66) and a point 10 km further south.
        const QString file = writeCsv(QByteArray(standardHeader)
                                      + "\nIMG%2.jpg;19;H;345713.154;6297592.028\n"
                                        "b.jpg;19;H;345713.154;6287592.028\n");
        const FillRun result = run(file, provider, QStringLiteral("secret-KEY_123"));

        const QList<RecordedRequest> requests = server->requests();
        QCOMPARE(requests.size(), 2);
        const QRegularExpression pointForm(QStringLiteral("^(-?\\d+\\.\\d{8}),(-?\\d+\\.\\d{8})$"));
        double previousLatitude = 0.0;
        for (int index = 0; index < requests.size(); ++index) {
            const RecordedRequest &request = requests.at(index);
            QCOMPARE(request.path, path);
            QStringList names;
            for (const auto &item : request.queryItems)
                names.append(item.first);
            QCOMPARE(names, keys);
            const QRegularExpressionMatch point = pointForm.match(request.queryItems.at(0).second);
            QVERIFY2(point.hasMatch(), qPrintable(request.queryItems.at(0).second));
            const double latitude = point.captured(1).toDouble();
            if (index == 0) {
                QVERIFY(qAbs(latitude + 33.45) < 1e-6);
                QVERIFY(qAbs(point.captured(2).toDouble() + 70.66) < 1e-5);
            } else
                QVERIFY(latitude < previousLatitude - 0.08);
            previousLatitude = latitude;
        }
        QVERIFY2(result.log.filter(QStringLiteral("Consultando altitud para IMG%2.jpg (Coords: "))
                                 .size()
                         == 1,
                 qPrintable(result.log.join('\n')));
    }

    void theKeyReachesTheServiceButNeverTheLog()
    {
        const QString key = QStringLiteral("secret-KEY_123");
        const QString path
                = writeCsv(QByteArray(standardHeader) + "\nIMG_1.jpg;19;H;345678;6301234\n");
        const FillRun result = run(path, QLatin1String(googleElevationProvider), key);
        QCOMPARE(server->requests().size(), 1);
        QCOMPARE(server->requests().first().queryItems.value(1).second, key);
        QVERIFY(result.log.filter(key).isEmpty());
        const QStringList urlLines = result.log.filter(QStringLiteral("DEBUG: URL de petición: "));
        QCOMPARE(urlLines.size(), 1);
        QVERIFY2(urlLines.first().startsWith(
                         QStringLiteral("DEBUG: URL de petición: ") + server->baseUrl()
                         + QStringLiteral("/maps/api/elevation/json?locations="))
                         && urlLines.first().endsWith(QStringLiteral("&key=***")),
                 qPrintable(urlLines.first()));
    }

    void failedTransfersCostOnlyTheirRow_data()
    {
        QTest::addColumn<FakeReply>("reply");
        QTest::addColumn<QString>("message");
        FakeReply silent;
        silent.neverAnswer = true;
        QTest::newRow("server never answers") << silent << "Error de red: ";
        FakeReply huge;
        huge.body = '"' + QByteArray(4 * 1024 * 1024, 'x') + '"';
        QTest::newRow("oversized body") << huge << "Error de red: respuesta demasiado grande";
        FakeReply serverError;
        serverError.statusCode = 500;
        serverError.body = elevationJson("5");
        QTest::newRow("HTTP error status") << serverError << "Error de red: ";
    }

    void failedTransfersCostOnlyTheirRow()
    {
        QFETCH(FakeReply, reply);
        QFETCH(QString, message);
        server->queueReply(reply);
        const QString path = writeCsv(QByteArray(standardHeader)
                                      + "\nIMG_1.jpg;19;H;345678;6301234\n"
                                        "IMG_2.jpg;19;H;345678;6301234\n");
        const FillRun result = run(path, QLatin1String(openTopoDataProvider), QString(), true, 500);
        QVERIFY2(result.log.filter(message).size() == 1, qPrintable(result.log.join('\n')));
        QCOMPARE(readBytes(path),
                 QByteArray(standardHeader)
                         + "\nIMG_1.jpg;19;H;345678;6301234\n"
                           "IMG_2.jpg;19;H;345678;6301234;;;100.00\n");
    }

    void unreachableServiceIsANetworkErrorPerRow()
    {
        const QString deadUrl = server->baseUrl();
        server->stop();
        const QByteArray content = QByteArray(standardHeader)
                + "\nIMG_1.jpg;19;H;345678;6301234\nIMG_2.jpg;19;H;345678;6301234\n";
        const QString path = writeCsv(content);
        const FillRun result
                = run(path, QLatin1String(openTopoDataProvider), QString(), true, 5000, deadUrl);
        QCOMPARE(result.log.filter(QRegularExpression(QStringLiteral("^Error de red: .+"))).size(),
                 2);
        QCOMPARE(result.log.last(),
                 QStringLiteral("Proceso completado. Se actualizaron 0 de 2 registros."));
        QCOMPARE(readBytes(path), content);
    }

    void countsAndProgressFollowTheRows()
    {
        QByteArray content = QByteArray(standardHeader) + '\n';
        for (int row = 1; row <= 9; ++row)
            content += "IMG_" + QByteArray::number(row) + ".jpg;19;H;345678;6301234\n";
        content += '\n';
        server->queueJson(R"({"status":"SERVER_ERROR"})");
        server->queueJson(R"({"results":[],"status":"OK"})");
        const QString path = writeCsv(content);
        const FillRun result = run(path);

        QCOMPARE(server->requests().size(), 9);
        QCOMPARE(result.log.last(),
                 QStringLiteral("Proceso completado. Se actualizaron 7 de 10 registros."));
        QCOMPARE(result.progress.size(), 11);
        for (int done = 0; done <= 10; ++done)
            QCOMPARE(result.progress.at(done), qMakePair(done, 10));
        QVERIFY(result.log.contains(QStringLiteral(
                "DEBUG writing altitude: line 4 -> IMG_3.jpg;19;H;345678;6301234;;;100.00")));
        QVERIFY(result.log.contains(QStringLiteral("DEBUG: Escritura CSV, total líneas: 11")));
    }

    void earlyEndLeavesTheFileUntouched_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("provider");
        QTest::addColumn<QString>("message");
        QTest::newRow("Google without key")
                << QByteArray(standardHeader) + "\nIMG_1.jpg;19;H;345678;6301234\n"
                << QString::fromLatin1(googleElevationProvider)
                << "Error: Se requiere una clave de API para Google Elevation.";
        QTest::newRow("empty file") << QByteArray() << QString::fromLatin1(openTopoDataProvider)
                                    << "Error: El archivo CSV está vacío.";
        QTest::newRow("byte-order mark alone")
                << QByteArray("\xEF\xBB\xBF") << QString::fromLatin1(openTopoDataProvider)
                << "Error: El archivo CSV está vacío.";
    }

    void earlyEndLeavesTheFileUntouched()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, provider);
        QFETCH(QString, message);
        const QString path = writeCsv(content);
        const FillRun result = run(path, provider);
        QCOMPARE(result.log.last(), message);
        QVERIFY(server->requests().isEmpty());
        QCOMPARE(readBytes(path), content);
    }

    void missingFileIsReportedAndNotCreated()
    {
        const QString path = dir->filePath(QStringLiteral("no-existe.csv"));
        const FillRun result = run(path);
        QCOMPARE(result.log.size(), 1);
        QVERIFY(result.log.first().startsWith(
                QStringLiteral("Error: No se pudo abrir el archivo CSV para leer: ")));
        QVERIFY(!QFile::exists(path));
    }

    void failedSaveLeavesTheFileAsItWas()
    {
        // The rewrite would append the header's "altitud"; a file size limit
        // below the file's size makes writing the replacement fail.
        QByteArray content("nombre;zona;letra;easting;northing\n");
        while (content.size() < 256 * 1024)
            content += "IMG_0001.jpg;19;H;345678;6301234;570.3\n";
        const QString path = writeCsv(content);

        rlimit original {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &original), 0);
        rlimit limited = original;
        limited.rlim_cur = 128 * 1024;
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        const FillRun result = run(path, QLatin1String(openTopoDataProvider), QString(), false);
        setrlimit(RLIMIT_FSIZE, &original);
        std::signal(SIGXFSZ, previousHandler);

        QVERIFY2(result.log.last().startsWith(
                         QStringLiteral("Error: No se pudo guardar los cambios en el CSV: ")),
                 qPrintable(result.log.last()));
        QVERIFY(!result.log.contains(QStringLiteral("DEBUG: CSV guardado correctamente")));
        QCOMPARE(readBytes(path), content);
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files).size(), 1);
    }

    void requestsAreAtLeastThePauseApart()
    {
        const QString path = writeCsv(QByteArray(standardHeader)
                                      + "\nIMG_1.jpg;19;H;345678;6301234\n"
                                        "IMG_2.jpg;19;H;345678;6301234\n");
        QFutureWatcher<void> watcher;
        QEventLoop loop;
        connect(&watcher, &QFutureWatcher<void>::finished, &loop, &QEventLoop::quit);
        const QString url = server->baseUrl();
        watcher.setFuture(QtConcurrent::run([&] {
            fillAltitudes(
                    path, QLatin1String(openTopoDataProvider), QString(), true,
                    [](const QString &) {}, [](int, int) {}, url);
        }));
        loop.exec();
        const QList<RecordedRequest> requests = server->requests();
        QCOMPARE(requests.size(), 2);
        QVERIFY(requests.at(1).receivedMs - requests.at(0).receivedMs >= elevationRequestPauseMs);
    }
};

QTEST_GUILESS_MAIN(AltitudeFillTest)
#include "altitudefilltest.moc"
