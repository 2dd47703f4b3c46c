#include "coords/altitudefill.h"

#include "tests/support/altitudefillrun.h"
#include "tests/support/fakeelevationserver.h"

#include <QTest>

Q_DECLARE_METATYPE(FakeReply)

static const QByteArray header = "nombre;zona;letra;easting;northing;altitud\n";
static const QString google = QString::fromLatin1(googleElevationProvider);
static const QString openTopo = QString::fromLatin1(openTopoDataProvider);
static const QString secretKey = QStringLiteral("SECRETKEY123");

// Row `i`, 10 m further north than row i - 1, so that the points of every
// request must climb in latitude when they follow the rows.
static QByteArray row(int i)
{
    return "IMG_" + QByteArray::number(i) + ".jpg;19;H;345678;"
            + QByteArray::number(6301234 + 10 * i);
}

static QByteArray rows(int from, int to, const QByteArray &suffix = {})
{
    QByteArray text;
    for (int i = from; i <= to; ++i)
        text += row(i) + suffix + '\n';
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

    void cleanup() { fill.stop(); }

    void rowsGoInGroupsInRowOrder_data()
    {
        QTest::addColumn<QString>("provider");
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<QList<int>>("groupSizes"); // empty: as many as fit in the URL
        QTest::newRow("OpenTopoData: 100 a request")
                << openTopo << 250 << QList<int> {100, 100, 50};
        QTest::newRow("Google: 250 in one") << google << 250 << QList<int> {250};
        QTest::newRow("Google: URL limit") << google << 600 << QList<int>();
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
        if (groupSizes.isEmpty())
            QVERIFY2(sizes.size() == 3 && sizes.first() > 200,
                     qPrintable(QString::number(sizes.size())));
        else
            QCOMPARE(sizes, groupSizes);
        QCOMPARE(points.size(), rowCount);
        for (int i = 1; i < points.size(); ++i)
            QVERIFY(points.at(i).section(',', 0, 0).toDouble()
                    > points.at(i - 1).section(',', 0, 0).toDouble());
        QCOMPARE(fill.readBytes(path), header + rows(1, rowCount, ";100.00"));
        QCOMPARE(result.progress.first(), qMakePair(0, rowCount));
        QCOMPARE(result.progress.size(), sizes.size() + 1);
        QCOMPARE(result.progress.last(), qMakePair(rowCount, rowCount));
    }

    // Skipped rows take no result: the answers land on the rows asked about,
    // and every row's lines stay in row order.
    void resultsLandOnTheRowsAskedAbout()
    {
        fill.server->queueJson(elevations("1,3"));
        const QString path = fill.writeCsv(header + row(1) + "\nnada;19;;1;2\n" + row(2)
                                           + ";570\nmal;0;H;1;2\n" + row(3) + '\n');
        FillSettings settings;
        settings.overwrite = false;
        const FillRun result = fill.run(path, settings);
        QCOMPARE(fill.readBytes(path),
                 header + row(1) + ";1.00\nnada;19;;1;2\n" + row(2) + ";570\nmal;0;H;1;2\n" + row(3)
                         + ";3.00\n");
        QStringList rowLines;
        for (const QString &line : result.log) {
            if (line.startsWith(u"Consultando") || line.startsWith(u"Altitud")
                || line.startsWith(u"DEBUG: Omisión"))
                rowLines.append(line.section(' ', 0, 2));
        }
        QCOMPARE(
                rowLines,
                QStringList({"Consultando altitud para", "Altitud obtenida: 1.00",
                             "DEBUG: Omisión línea", "DEBUG: Omisión línea", "DEBUG: Omisión línea",
                             "Consultando altitud para", "Altitud obtenida: 3.00"}));
    }

    // Replies that fail or cannot be right: each costs only its group's
    // request, a failed request is tried once more, and no line shows the key.
    void failedRequestsAreRetriedOnceAndCostOnlyTheirGroup_data()
    {
        QTest::addColumn<QList<FakeReply>>("replies");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("requestCount");
        QTest::addColumn<bool>("firstGroupFilled");

        const auto make = [](FakeReply::Kind kind, int status = 200, const QByteArray &body = {}) {
            FakeReply reply;
            reply.kind = kind;
            reply.statusCode = status;
            reply.body = body;
            return reply;
        };
        const FakeReply forbidden = make(FakeReply::Whole, 403, "{}");
        QTest::newRow("403 twice")
                << QList<FakeReply> {forbidden, forbidden}
                << "Error de red: el servicio respondió 403 (Forbidden)" << 3 << false;
        QTest::newRow("service error once")
                << QList<FakeReply> {make(FakeReply::Whole, 200,
                                          R"({"status":"OVER_QUERY_LIMIT"})")}
                << "Error de API Google: OVER_QUERY_LIMIT - " << 3 << true;
        QTest::newRow("too few results, not retried")
                << QList<FakeReply> {make(FakeReply::Whole, 200, elevations("5"))}
                << "Error: el servicio devolvió 1 resultados para " << 2 << false;
        QTest::newRow("endless body") << QList<FakeReply> {make(FakeReply::EndlessBody)}
                                      << "Error de red: respuesta demasiado grande" << 3 << true;
        QTest::newRow("trickled body")
                << QList<FakeReply> {make(FakeReply::TrickledBody)}
                << "Error de red: sin respuesta completa en 1 s" << 3 << true;
        QTest::newRow("silent service")
                << QList<FakeReply> {make(FakeReply::NeverAnswer)}
                << "Error de red: sin respuesta completa en 1 s" << 3 << true;
    }

    void failedRequestsAreRetriedOnceAndCostOnlyTheirGroup()
    {
        QFETCH(QList<FakeReply>, replies);
        QFETCH(QString, error);
        QFETCH(int, requestCount);
        QFETCH(bool, firstGroupFilled);
        for (const FakeReply &reply : replies)
            fill.server->queueReply(reply);
        const QString path = fill.writeCsv(header + rows(1, 350));
        FillSettings settings;
        settings.provider = google;
        settings.key = secretKey;
        settings.timeoutMs = 1000;
        // Two groups: the URL limit keeps a Google group well under 350 points.
        const FillRun result = fill.run(path, settings);

        QVERIFY2(result.log.filter(error).size() == replies.size(),
                 qPrintable(result.log.join('\n')));
        QCOMPARE(fill.server->requests().size(), requestCount);
        const int firstGroup = static_cast<int>(fill.server->requests().first().points().size());
        QCOMPARE(fill.readBytes(path),
                 header + rows(1, firstGroup, firstGroupFilled ? ";100.00" : "")
                         + rows(firstGroup + 1, 350, ";100.00"));
        QVERIFY(result.log.filter(secretKey).isEmpty());
        QVERIFY(fill.server->streamedBytes() < 4 * 1024 * 1024);
    }

    void redirectsElsewhereAreNotFollowed()
    {
        FakeElevationServer elsewhere;
        QVERIFY(elsewhere.start());
        FakeReply redirect;
        redirect.kind = FakeReply::Redirect;
        redirect.location = elsewhere.baseUrl().toLatin1() + "/maps/api/elevation/json";
        fill.server->queueReply(redirect);
        fill.server->queueReply(redirect);
        FillSettings settings;
        settings.provider = google;
        settings.key = secretKey;
        const QString path = fill.writeCsv(header + rows(1, 2));
        const FillRun result = fill.run(path, settings);
        QVERIFY(elsewhere.requests().isEmpty());
        QCOMPARE(result.log.count(
                         QStringLiteral("Error de red: redirección a otro servidor rechazada")),
                 2);
        QCOMPARE(fill.readBytes(path), header + rows(1, 2));
    }

    void implausibleElevationsGiveNoValue_data()
    {
        QTest::addColumn<QByteArray>("elevation");
        QTest::addColumn<QString>("line"); // empty: the value is written
        QTest::newRow("1e308") << QByteArray("1e308") << "1e+308 m está fuera de -500 … 9000 m";
        QTest::newRow("-1e308") << QByteArray("-1e308") << "-1e+308 m está fuera de -500 … 9000 m";
        QTest::newRow("1e23") << QByteArray("1e23") << "1e+23 m está fuera de -500 … 9000 m";
        QTest::newRow("just below")
                << QByteArray("-500.01") << "-500.01 m está fuera de -500 … 9000 m";
        QTest::newRow("text") << QByteArray("\"812\"")
                              << "el servicio no dio un número ([\"812\"])";
        QTest::newRow("highest kept") << QByteArray("9000") << "";
    }

    void implausibleElevationsGiveNoValue()
    {
        QFETCH(QByteArray, elevation);
        QFETCH(QString, line);
        fill.server->queueJson(elevations(elevation));
        const QString path = fill.writeCsv(header + rows(1, 1));
        const FillRun result = fill.run(path);
        QCOMPARE(fill.readBytes(path), header + rows(1, 1, line.isEmpty() ? ";9000.00" : ""));
        QCOMPARE(result.log.filter(QStringLiteral("Altitud descartada para IMG_1.jpg: ") + line)
                         .size(),
                 line.isEmpty() ? 0 : 1);
    }

    // The services' rate limits hold: request starts, retries included, are
    // never closer than the pause, give or take how long a request takes to
    // arrive (the first one also starts the client's network thread).
    void requestStartsAreAPauseApart()
    {
        const int arrivalJitterMs = 20;
        FakeReply failure;
        failure.statusCode = 500;
        failure.body = "{}";
        fill.server->queueReply(failure);
        FillSettings settings;
        settings.pauseMs = 300;
        fill.run(fill.writeCsv(header + rows(1, 150)), settings);
        const QList<RecordedRequest> requests = fill.server->requests();
        QCOMPARE(requests.size(), 3);
        for (int i = 1; i < requests.size(); ++i)
            QVERIFY(requests.at(i).receivedMs - requests.at(i - 1).receivedMs
                    >= settings.pauseMs - arrivalJitterMs);
    }
};

QTEST_GUILESS_MAIN(AltitudeFillBatchTest)
#include "altitudefillbatchtest.moc"
