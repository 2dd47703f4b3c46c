#include "coords/altitudefill.h"

#include "tests/support/altitudefillrun.h"

#include <QTest>

Q_DECLARE_METATYPE(FakeReply)

static const QByteArray header = "nombre;zona;letra;easting;northing;altitud\n";
static const QString google = QString::fromLatin1(googleElevationProvider);
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

class AltitudeFillBatchTest : public QObject
{
    Q_OBJECT

    FillFixture fill;

private slots:
    void init() { QVERIFY(fill.start()); }

    void cleanup() { fill = {}; }

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
        const QString path = fill.writeCsv(header + rows(1, rowCount));
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
        QCOMPARE(fill.readBytes(path), header + rows(1, rowCount, ";100.00"));
        QCOMPARE(result.progress.size(), sizes.size() + 1);
        QCOMPARE(result.progress.last(), qMakePair(rowCount, rowCount));
    }

    // Skipped rows take no result.
    void resultsLandOnTheRowsAskedAbout()
    {
        fill.server->queueJson(elevations("1,3"));
        const QByteArray skipped = "nada;19;;1;2\nmal;0;H;1;2\n" + rows(2, 2, ";570");
        const QString path = fill.writeCsv(header + rows(1, 1) + skipped + rows(3, 3));
        FillSettings settings;
        settings.overwrite = false;
        fill.run(path, settings);
        QCOMPARE(fill.readBytes(path),
                 header + rows(1, 1, ";1.00") + skipped + rows(3, 3, ";3.00"));
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
        const QString path = fill.writeCsv(header + rows(1, 300));
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
                 header + rows(1, 283, groupFilled ? ";100.00" : "") + rows(284, 300, ";100.00"));
        QVERIFY(result.log.filter(secretKey).isEmpty());
        // Beyond the reply cap only the sockets' own buffers fill.
        QVERIFY(fill.server->streamedBytes() < 16 * 1024 * 1024);
    }
};

QTEST_GUILESS_MAIN(AltitudeFillBatchTest)
#include "altitudefillbatchtest.moc"
