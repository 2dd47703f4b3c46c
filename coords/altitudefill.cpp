#include "coords/altitudefill.h"

#include "coords/coordinatesrow.h"
#include "coords/logquote.h"
#include "files/atomicfile.h"
#include "geo/globelimits.h"
#include "geo/utm.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

// An elevation reply takes some 200 bytes a point; a body far beyond that is
// not an answer and is not read further.
static qint64 maxReplyBytes(qsizetype points)
{
    return 16 * 1024 + 1024 * static_cast<qint64>(points);
}
// How often a request in flight or a pause looks whether the run was stopped.
static constexpr int stopPollMs = 50;
// A location a result names is the point asked about when this close; the
// request gives eight decimals, the services echo them rounded.
static constexpr double locationToleranceDegrees = 1e-5;

static const QLatin1Char fieldSeparator(';');

#ifdef Q_OS_WIN
static const char lineEnd[] = "\r\n";
#else
static const char lineEnd[] = "\n";
#endif

// What every row of one run needs besides its own line.
struct AltitudeJob
{
    QString provider;
    QString apiKey;
    bool overwrite = true;
    int altitudeIndex = 0;
    ElevationService service;
    const std::atomic<bool> *stop = nullptr;
    const CrsTransform *crs = nullptr; // null: WGS 84 / UTM

    bool isGoogle() const { return provider == QLatin1String(googleElevationProvider); }
    int maxPoints() const { return isGoogle() ? googleElevationMaxPoints : openTopoDataMaxPoints; }
    bool stopped() const { return stop && stop->load(); }
};

// One data row while its group is asked about. Its log lines wait with it,
// so that every row's lines stay together and in row order.
struct PendingRow
{
    int number = 0; // the header is row 0
    QStringList fields; // padded up to the altitude column
    QString name; // column 1 as written
    QString point; // "lat,lon"; empty when the row is not asked about
    QStringList logLines;
    QString transformation; // the one PROJ used for the row in a chosen system
};

// A reply's body when the transfer succeeded, else the reason it did not.
struct Transfer
{
    enum Outcome { Received, Failed, Stopped };
    Outcome outcome = Failed;
    QByteArray body;
    QString errorText;
};

// A service may echo the request, and Qt's error texts quote the URL: no line
// leaves the fill with the key in it, whatever its source.
static LogCallback hidingKey(const LogCallback &log, const QString &key)
{
    if (key.isEmpty())
        return log;
    const QString encodedKey = QString::fromLatin1(QUrl::toPercentEncoding(key));
    return [log, key, encodedKey](const QString &line) {
        QString safe = line;
        safe.replace(key, QStringLiteral("***")).replace(encodedKey, QStringLiteral("***"));
        log(safe);
    };
}

// Coordinates files are UTF-8. One that is not (a Latin-1 spreadsheet export,
// say) is read and written back as Latin-1, which keeps every byte of it;
// decoding it as UTF-8 would replace its accented letters for good.
static QStringConverter::Encoding textEncoding(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    // The decoder works when its result becomes a string.
    const QString decoded = utf8.decode(bytes);
    return utf8.hasError() ? QStringConverter::Latin1 : QStringConverter::Utf8;
}

static bool readLines(const QString &path, QStringList &lines, QStringConverter::Encoding &encoding,
                      const LogCallback &log)
{
    QFile file(path);
    // A FIFO or a device would block the fill while it is read.
    if (!QFileInfo(path).isFile()) {
        log(QStringLiteral("Error: No se pudo abrir el archivo CSV para leer: no es un archivo "
                           "común."));
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        log(QStringLiteral("Error: No se pudo abrir el archivo CSV para leer: ")
            + file.errorString());
        return false;
    }
    log(QStringLiteral("DEBUG: Abriendo CSV: %1").arg(path));
    const QByteArray bytes = file.readAll();
    encoding = textEncoding(bytes);
    lines = coordinatesFileLines(bytes, encoding);
    log(QStringLiteral("DEBUG: N° de líneas leídas: %1").arg(lines.size()));
    return true;
}

static bool writeLines(const QString &path, const QStringList &lines,
                       QStringConverter::Encoding encoding, const LogCallback &log)
{
    QStringEncoder encoder(encoding);
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += encoder.encode(line) + lineEnd;
    QString error;
    if (replaceFileAtomically(path, bytes, error))
        return true;
    log(QStringLiteral("Error: No se pudo guardar los cambios en el CSV: ") + error);
    return false;
}

// The 0-based index of the header's altitude field, appending one when the
// header has none.
static int findOrAppendAltitudeColumn(QStringList &headerFields)
{
    for (int i = 0; i < headerFields.size(); ++i) {
        if (headerFields.at(i).compare(QLatin1String("altitud"), Qt::CaseInsensitive) == 0)
            return i;
    }
    headerFields.append(QStringLiteral("altitud"));
    return headerFields.size() - 1;
}

static QString degreesText(double degrees)
{
    return QString::number(degrees, 'f', 8);
}

// `key` must already be safe inside a query.
static QUrl requestUrl(const AltitudeJob &job, const QStringList &points, const QString &key)
{
    const bool google = job.isGoogle();
    QUrl url(job.service.baseUrl.isEmpty()
                     ? QString::fromLatin1(google ? googleElevationBaseUrl : openTopoDataBaseUrl)
                     : job.service.baseUrl);
    url.setPath(google ? QStringLiteral("/maps/api/elevation/json")
                       : QStringLiteral("/v1/srtm30m"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("locations"), points.join(QLatin1Char('|')));
    if (google)
        query.addQueryItem(QStringLiteral("key"), key);
    url.setQuery(query);
    return url;
}

// The row's place on the ellipsoid: a chosen system's easting and northing go
// through PROJ, as the batch reads them.
static bool rowLatLon(const AltitudeJob &job, const RowPosition &position, double &latitude,
                      double &longitude, QString &transformation)
{
    if (!job.crs) {
        utmToLatLon(position.zone, position.letter, position.easting, position.northing, latitude,
                    longitude);
        return true;
    }
    return job.crs->inverse(position.easting, position.northing, latitude, longitude,
                            &transformation)
            && isOnGlobe(latitude, longitude);
}

// Reads the row and, when it is to be asked about, its point; every line it
// logs waits in the row.
static PendingRow prepareRow(const AltitudeJob &job, int number, const QString &line)
{
    PendingRow row;
    row.number = number;
    const auto log = [&row](const QString &text) {
        row.logLines.append(text);
    };
    const QString numberText = QString::number(number);
    row.fields = splitCoordinatesRow(line);
    log(QStringLiteral("DEBUG: Procesando línea %1: %2").arg(numberText, quotedForLog(line)));
    log(QStringLiteral("DEBUG: Columnas en línea %1: size=%2, %3")
                .arg(numberText, QString::number(row.fields.size()),
                     quotedForLog(row.fields.join(QLatin1Char(',')))));

    while (row.fields.size() <= job.altitudeIndex)
        row.fields.append(QString());
    row.name = row.fields.at(0);
    const bool hasAltitude = !row.fields.at(job.altitudeIndex).trimmed().isEmpty();
    log(QStringLiteral("DEBUG: Línea %1 tieneAltitud=%2")
                .arg(numberText, hasAltitude ? QStringLiteral("true") : QStringLiteral("false")));
    const auto skip = [&](const QString &reason) {
        log(QStringLiteral("DEBUG: Omisión línea %1: ").arg(numberText) + reason);
        return row;
    };
    if (hasAltitude && !job.overwrite)
        return skip(QStringLiteral("ya tiene altitud y no se debe sobrescribir."));
    if (row.fields.size() < 5)
        return skip(QStringLiteral("menos de 5 columnas"));
    // Unlike the reader, the fill assumes no 'N' for a missing letter.
    RowPosition position = readRowPosition(row.fields);
    if (job.crs && !fitsChosenSystem(row.fields, *job.crs, position, row.name, log))
        return row;
    if (position.letterEmpty)
        return skip(QStringLiteral("letra de zona ausente"));
    if (!position.isValid())
        return skip(QStringLiteral("UTM inválido"));

    log(QStringLiteral("DEBUG: Parsed UTM - zone=%1, zoneLetter=%2, easting=%3, northing=%4")
                .arg(QString::number(position.zone), quotedForLog(row.fields.at(2).trimmed()),
                     quotedForLog(row.fields.at(3).trimmed()),
                     quotedForLog(row.fields.at(4).trimmed())));
    double latitude = 0.0;
    double longitude = 0.0;
    if (!rowLatLon(job, position, latitude, longitude, row.transformation))
        return skip(QStringLiteral("no se pudo transformar a WGS 84"));
    log(QStringLiteral("DEBUG UTM->LatLon: zone=%1%2, easting=%3, northing=%4 -> lat=%5, lon=%6")
                .arg(QString::number(position.zone), QString(QLatin1Char(position.letter)),
                     QString::number(position.easting), QString::number(position.northing),
                     degreesText(latitude), degreesText(longitude)));
    row.point = degreesText(latitude) + QLatin1Char(',') + degreesText(longitude);
    log(QStringLiteral("DEBUG locationsParam: ") + row.point);
    log(QStringLiteral("Consultando altitud para %1 (Coords: %2)")
                .arg(quotedForLog(row.name), row.point));
    return row;
}

// Qt's own error texts quote the URL, key included; these say why in Spanish.
static QString transferErrorText(const QNetworkReply &reply)
{
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 400)
        return QStringLiteral("el servicio respondió %1 (%2)")
                .arg(QString::number(status),
                     quotedForLog(reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute)
                                          .toString()));
    switch (reply.error()) {
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("conexión rechazada");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("el servidor cerró la conexión");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("servidor no encontrado");
    case QNetworkReply::TimeoutError:
        return QStringLiteral("tiempo de espera agotado");
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral("falló la conexión segura");
    case QNetworkReply::InsecureRedirectError:
        return QStringLiteral("redirección a otro servidor rechazada");
    case QNetworkReply::TooManyRedirectsError:
        return QStringLiteral("demasiadas redirecciones");
    default:
        return QStringLiteral("falló la transferencia (código %1)")
                .arg(static_cast<int>(reply.error()));
    }
}

// A result's "location", when it names one, must be its own point asked
// about: results taken by position go into the wrong rows when a service
// reorders them. Says which is not, e.g. "-33.1,-70.2 en vez de
// -33.3,-70.1"; empty when all are.
static QString strayLocation(const QJsonArray &results, const QStringList &points)
{
    for (qsizetype i = 0; i < results.size(); ++i) {
        const QJsonObject location
                = results.at(i).toObject().value(QLatin1String("location")).toObject();
        if (location.isEmpty())
            continue;
        const QJsonValue latitude = location.value(QLatin1String("lat"));
        const QJsonValue longitude = location.value(QLatin1String("lng"));
        const QStringList asked = points.at(i).split(QLatin1Char(','));
        // The antimeridian's two names are one place.
        if (latitude.isDouble() && longitude.isDouble()
            && std::abs(latitude.toDouble() - asked.at(0).toDouble()) <= locationToleranceDegrees
            && std::abs(std::remainder(longitude.toDouble() - asked.at(1).toDouble(), 360.0))
                    <= locationToleranceDegrees)
            continue;
        return QStringLiteral("%1 en vez de %2")
                .arg(quotedForLog(QString::fromUtf8(
                             QJsonDocument(location).toJson(QJsonDocument::Compact))),
                     points.at(i));
    }
    return QString();
}

// Sends the requests of one run: one at a time, their starts `pauseMs`
// apart, and a failed one tried once more.
class ElevationClient
{
public:
    ElevationClient(const AltitudeJob &job, const LogCallback &log)
        : job(job)
        , log(log)
        , encodedKey(QString::fromLatin1(QUrl::toPercentEncoding(job.apiKey)))
    { }

    bool fits(const QStringList &points) const
    {
        return points.size() <= job.maxPoints()
                && requestUrl(job, points, encodedKey).toEncoded().size() <= maxRequestUrlChars;
    }

    // One result per point, in their order; none when both tries failed, the
    // reply does not match the points, or the run was stopped.
    std::optional<QJsonArray> ask(const QStringList &points)
    {
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (attempt > 0)
                log(QStringLiteral("Reintentando la consulta de %1 puntos.").arg(points.size()));
            if (!waitForTurn())
                return std::nullopt;
            // The key is a secret: the log shows where the request went, not the key.
            log(QStringLiteral("DEBUG: URL de petición: %1")
                        .arg(requestUrl(job, points, QStringLiteral("***")).toString()));
            const Transfer transfer
                    = fetch(requestUrl(job, points, encodedKey), maxReplyBytes(points.size()));
            if (transfer.outcome == Transfer::Stopped)
                return std::nullopt;
            if (transfer.outcome == Transfer::Failed) {
                log(QStringLiteral("Error de red: ") + transfer.errorText);
                continue;
            }
            const std::optional<QJsonArray> results = serviceResults(transfer.body);
            if (!results)
                continue;
            if (results->size() != points.size()) {
                log(QStringLiteral("Error: el servicio devolvió %1 resultados para %2 puntos; "
                                   "esas filas quedan sin altitud.")
                            .arg(results->size())
                            .arg(points.size()));
                return std::nullopt;
            }
            const QString stray = strayLocation(*results, points);
            if (stray.isEmpty())
                return results;
            log(QStringLiteral("Error: el servicio devolvió resultados para otros puntos (%1); "
                               "esas filas quedan sin altitud.")
                        .arg(stray));
            return std::nullopt;
        }
        return std::nullopt;
    }

private:
    // False when the run was stopped while waiting.
    bool waitForTurn()
    {
        if (lastStart.isValid()) {
            qint64 remaining;
            while ((remaining = job.service.pauseMs - lastStart.elapsed()) > 0) {
                if (job.stopped())
                    return false;
                QThread::msleep(
                        static_cast<unsigned long>(std::min<qint64>(remaining, stopPollMs)));
            }
        }
        return !job.stopped();
    }

    // Waits for the reply in a local event loop, so the calling thread needs
    // no event loop of its own. The time limit covers the whole request: a
    // service sending a byte now and then does not keep it alive.
    Transfer fetch(const QUrl &url, qint64 maxBytes)
    {
        QNetworkRequest request(url);
        // A redirect elsewhere would carry the key to a host nobody chose.
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::SameOriginRedirectPolicy);
        lastStart.start();
        const std::unique_ptr<QNetworkReply> reply(manager.get(request));
        // Qt stops reading from the socket while this much is unread.
        reply->setReadBufferSize(maxBytes);

        Transfer result;
        QString abortReason;
        const auto abortWith = [&](Transfer::Outcome outcome, const QString &reason) {
            if (!abortReason.isEmpty())
                return;
            result.outcome = outcome;
            abortReason = reason;
            reply->abort();
        };
        const auto drain = [&] {
            if (!abortReason.isEmpty() || !reply->isOpen())
                return;
            result.body += reply->read(maxBytes + 1 - result.body.size());
            if (result.body.size() > maxBytes)
                abortWith(Transfer::Failed, QStringLiteral("respuesta demasiado grande"));
        };
        QObject::connect(reply.get(), &QNetworkReply::readyRead, reply.get(), drain);
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, reply.get(), [&] {
            abortWith(Transfer::Failed,
                      QStringLiteral("sin respuesta completa en %1 s")
                              .arg(QString::number(job.service.timeoutMs / 1000.0)));
        });
        QTimer stopPoll;
        QObject::connect(&stopPoll, &QTimer::timeout, reply.get(), [&] {
            if (job.stopped())
                abortWith(Transfer::Stopped, QStringLiteral("detenido"));
        });
        QEventLoop loop;
        QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        if (!reply->isFinished()) {
            deadline.start(job.service.timeoutMs);
            stopPoll.start(stopPollMs);
            loop.exec();
        }
        drain();

        if (!abortReason.isEmpty())
            result.errorText = abortReason;
        else if (reply->error() != QNetworkReply::NoError)
            result.errorText = transferErrorText(*reply);
        else
            result.outcome = Transfer::Received;
        return result;
    }

    // The reply's "results" when the service says all went well; its error,
    // logged, otherwise.
    std::optional<QJsonArray> serviceResults(const QByteArray &body)
    {
        const QString text = quotedForLog(QString::fromUtf8(body));
        log(QStringLiteral("DEBUG: Respuesta cruda: %1").arg(text));
        log(QStringLiteral("DEBUG: JSON recibido: %1").arg(text));
        const QJsonObject reply = QJsonDocument::fromJson(body).object();
        const QString status = quotedForLog(reply.value(QLatin1String("status")).toString());
        if (job.isGoogle()) {
            if (status != QLatin1String("OK")) {
                log(QStringLiteral("Error de API Google: ") + status + QStringLiteral(" - ")
                    + quotedForLog(reply.value(QLatin1String("error_message")).toString()));
                return std::nullopt;
            }
        } else if (status != QLatin1String("OK") || !reply.contains(QLatin1String("results"))) {
            const QString error = reply.contains(QLatin1String("error"))
                    ? quotedForLog(reply.value(QLatin1String("error")).toString())
                    : QStringLiteral("Sin detalles");
            log(QStringLiteral("Error de API OpenTopoData: %1 - %2").arg(status, error));
            return std::nullopt;
        }
        return reply.value(QLatin1String("results")).toArray();
    }

    const AltitudeJob &job;
    LogCallback log;
    QString encodedKey;
    QNetworkAccessManager manager;
    QElapsedTimer lastStart;
};

// A number in the range of the Earth's surface is the elevation; anything
// else is no value, with a line saying why. JSON null is the services' "no
// data here" (sea, a hole in the model), not sea level.
static std::optional<double> elevationOf(const QJsonValue &result, PendingRow &row)
{
    const QJsonValue elevation = result.toObject().value(QLatin1String("elevation"));
    const QString name = quotedForLog(row.name.trimmed());
    if (elevation.isNull()) {
        row.logLines.append(
                QStringLiteral("Altitud descartada para %1: sin dato de elevación").arg(name));
        return std::nullopt;
    }
    if (!elevation.isDouble()) {
        const QString given = elevation.isUndefined()
                ? QStringLiteral("nada")
                : quotedForLog(QString::fromUtf8(
                        QJsonDocument(QJsonArray {elevation}).toJson(QJsonDocument::Compact)));
        row.logLines.append(
                QStringLiteral("Altitud descartada para %1: el servicio no dio un número (%2)")
                        .arg(name, given));
        return std::nullopt;
    }
    if (!isPlausibleAltitude(elevation.toDouble())) {
        row.logLines.append(
                QStringLiteral("Altitud descartada para %1: %2 m está fuera de -500 … 9000 m")
                        .arg(name, QString::number(elevation.toDouble())));
        return std::nullopt;
    }
    return elevation.toDouble();
}

// One run over the rows: groups them, asks, fills the lines in place.
class AltitudeRun
{
public:
    AltitudeRun(const AltitudeJob &job, QStringList &lines, const LogCallback &log,
                const ProgressCallback &progress)
        : job(job)
        , lines(lines)
        , log(log)
        , progress(progress)
        , client(job, log)
        , total(static_cast<int>(lines.size()) - 1)
    { }

    // False when the run must end without writing (a Google key is missing).
    bool fillAll()
    {
        progress(0, total);
        for (int number = 1; number <= total && !job.stopped(); ++number) {
            PendingRow row = prepareRow(job, number, lines.at(number));
            transformations.push_back(row.transformation);
            if (!row.point.isEmpty()) {
                ++asked;
                if (job.isGoogle() && job.apiKey.isEmpty()) {
                    group.append(row);
                    logGroupLines();
                    log(QStringLiteral("Error: Se requiere una clave de API para Google "
                                       "Elevation."));
                    return false;
                }
                if (!client.fits(points + QStringList {row.point}))
                    askGroup();
                points.append(row.point);
            }
            group.append(row);
        }
        askGroup();
        if (job.stopped())
            log(QStringLiteral("Relleno de altitud cancelado: se procesaron %1 de %2 registros.")
                        .arg(done)
                        .arg(total));
        return true;
    }

    int updatedRows() const { return updated; }
    // Every row asked about got its value.
    bool complete() const { return !job.stopped() && updated == asked; }
    int totalRows() const { return total; }
    const std::vector<QString> &usedTransformations() const { return transformations; }

private:
    void logGroupLines()
    {
        for (const PendingRow &row : std::as_const(group)) {
            for (const QString &line : row.logLines)
                log(line);
        }
    }

    void askGroup()
    {
        std::optional<QJsonArray> results;
        if (!points.isEmpty() && !job.stopped())
            results = client.ask(points);
        int resultIndex = 0;
        for (PendingRow &row : group) {
            if (results && !row.point.isEmpty())
                fillRow(row, results->at(resultIndex++));
        }
        logGroupLines();
        // Rows of a request the user stopped are not done.
        if (!job.stopped()) {
            done += static_cast<int>(group.size());
            progress(done, total);
        }
        group.clear();
        points.clear();
    }

    void fillRow(PendingRow &row, const QJsonValue &result)
    {
        const std::optional<double> elevation = elevationOf(result, row);
        if (!elevation)
            return;
        const QString value = QString::number(*elevation, 'f', 2);
        row.fields[job.altitudeIndex] = value;
        QString &line = lines[row.number];
        line = row.fields.join(fieldSeparator);
        row.logLines.append(QStringLiteral("Altitud obtenida: ") + value + QStringLiteral(" m"));
        row.logLines.append(QStringLiteral("DEBUG writing altitude: line ")
                            + QString::number(row.number + 1) + QStringLiteral(" -> ")
                            + quotedForLog(line));
        ++updated;
    }

    const AltitudeJob &job;
    QStringList &lines;
    LogCallback log;
    ProgressCallback progress;
    ElevationClient client;
    const int total;
    QList<PendingRow> group; // rows read since the last request, in order
    QStringList points; // the points of the rows in `group` that are asked about
    std::vector<QString> transformations; // one a row read
    int done = 0;
    int asked = 0;
    int updated = 0;
};

bool fillAltitudes(const QString &path, const QString &provider, const QString &apiKey,
                   bool overwrite, const LogCallback &log, const ProgressCallback &progress,
                   const ElevationService &service, const std::atomic<bool> *stop,
                   const CrsTransform *crs)
{
    AltitudeJob job {provider, apiKey, overwrite, 0, service, stop, crs};
    const LogCallback safeLog = hidingKey(log, job.isGoogle() ? apiKey : QString());
    if (crs)
        for (const QString &line : crs->choiceLines())
            safeLog(line);
    QStringList lines;
    QStringConverter::Encoding encoding = QStringConverter::Utf8;
    if (!readLines(path, lines, encoding, safeLog))
        return false;
    if (lines.isEmpty()) {
        safeLog(QStringLiteral("Error: El archivo CSV está vacío."));
        return false;
    }

    QStringList headerFields = splitCoordinatesRow(lines.first());
    const qsizetype headerSize = headerFields.size();
    job.altitudeIndex = findOrAppendAltitudeColumn(headerFields);
    if (headerFields.size() != headerSize)
        lines.first() = headerFields.join(fieldSeparator);
    safeLog(QStringLiteral("DEBUG: Header columns: %1")
                    .arg(quotedForLog(headerFields.join(QLatin1Char(',')))));
    safeLog(QStringLiteral("DEBUG: Índice de columna altitud: %1").arg(job.altitudeIndex));

    AltitudeRun run(job, lines, safeLog, progress);
    const bool ran = run.fillAll();
    for (const QString &line : transformationLines(run.usedTransformations()))
        safeLog(line);
    if (!ran)
        return false;

    safeLog(QStringLiteral("DEBUG: Escritura CSV, total líneas: %1").arg(lines.size()));
    if (!writeLines(path, lines, encoding, safeLog))
        return false;
    safeLog(QStringLiteral("DEBUG: CSV guardado correctamente"));
    safeLog(QStringLiteral("Proceso completado. Se actualizaron %1 de %2 registros.")
                    .arg(run.updatedRows())
                    .arg(run.totalRows()));
    return run.complete();
}
