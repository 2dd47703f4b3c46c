#include "coords/altitudefill.h"

#include "geo/utm.h"

#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringList>
#include <QTextStream>
#include <QThread>
#include <QUrl>
#include <QUrlQuery>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

// An elevation reply is a few hundred bytes; a body far beyond that is not
// an answer and is not read further.
static constexpr qint64 maxReplyBytes = 64 * 1024;

static const QLatin1Char fieldSeparator(';');

// What every row of one run needs besides its own line.
struct AltitudeJob
{
    QString provider;
    QString apiKey;
    QString baseUrl;
    bool overwrite = true;
    int altitudeIndex = 0;
    int pauseMs = elevationRequestPauseMs;
    int timeoutMs = elevationRequestTimeoutMs;
};

enum class RowOutcome { Unchanged, Updated, MissingKey };

// A reply's body when the transfer succeeded, else the reason it did not.
struct ServiceReply
{
    bool received = false;
    QByteArray body;
    QString errorText;
};

static bool isGoogle(const QString &provider)
{
    return provider == QLatin1String(googleElevationProvider);
}

// Coordinates files are UTF-8. One that is not (a Latin-1 spreadsheet export,
// say) is read and written back as Latin-1, which keeps every byte of it;
// decoding it as UTF-8 would replace its accented letters for good.
static QStringConverter::Encoding textEncoding(QFile &file)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    // The decoder works when its result becomes a string.
    const QString decoded = utf8.decode(file.readAll());
    file.seek(0);
    return utf8.hasError() ? QStringConverter::Latin1 : QStringConverter::Utf8;
}

static bool readLines(const QString &path, QStringList &lines, QStringConverter::Encoding &encoding,
                      const LogCallback &log)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        log(QStringLiteral("Error: No se pudo abrir el archivo CSV para leer: ")
            + file.errorString());
        return false;
    }
    log(QStringLiteral("DEBUG: Abriendo CSV: %1").arg(path));
    encoding = textEncoding(file);
    QTextStream in(&file);
    in.setEncoding(encoding);
    QString line;
    while (in.readLineInto(&line))
        lines.append(line);
    log(QStringLiteral("DEBUG: N° de líneas leídas: %1").arg(lines.size()));
    return true;
}

static bool writeLines(const QString &path, const QStringList &lines,
                       QStringConverter::Encoding encoding, const LogCallback &log)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        log(QStringLiteral("Error: No se pudo abrir el archivo CSV para escribir: ")
            + file.errorString());
        return false;
    }
    QTextStream out(&file);
    out.setEncoding(encoding);
    for (const QString &line : lines)
        out << line << '\n';
    out.flush();
    const QString failure = QStringLiteral("Error: No se pudo guardar los cambios en el CSV: ");
    // A write cut short by a full disk or a size limit is seen by the stream
    // but not always by the save file, which would then commit a truncated
    // file; cancelling keeps the old one.
    if (out.status() != QTextStream::Ok) {
        const QString reason = file.errorString();
        file.cancelWriting();
        log(failure + reason);
        return false;
    }
    if (!file.commit()) {
        log(failure + file.errorString());
        return false;
    }
    return true;
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

// Locale-independent; "nan" and "inf" are no position.
static bool readFiniteNumber(const QString &text, double &value)
{
    bool ok = false;
    value = text.toDouble(&ok);
    return ok && std::isfinite(value);
}

static QString degreesText(double degrees)
{
    return QString::number(degrees, 'f', 8);
}

// `key` must already be safe inside a query.
static QUrl requestUrl(const AltitudeJob &job, const QString &point, const QString &key)
{
    const bool google = isGoogle(job.provider);
    QUrl url(job.baseUrl.isEmpty()
                     ? QString::fromLatin1(google ? googleElevationBaseUrl : openTopoDataBaseUrl)
                     : job.baseUrl);
    url.setPath(google ? QStringLiteral("/maps/api/elevation/json")
                       : QStringLiteral("/v1/srtm30m"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("locations"), point);
    if (google)
        query.addQueryItem(QStringLiteral("key"), key);
    url.setQuery(query);
    return url;
}

// Waits for the reply in a local event loop, so the calling thread needs no
// event loop of its own.
static ServiceReply fetch(QNetworkAccessManager &manager, const QUrl &url, int timeoutMs)
{
    QNetworkRequest request(url);
    request.setTransferTimeout(timeoutMs);
    const std::unique_ptr<QNetworkReply> reply(manager.get(request));

    ServiceReply result;
    bool tooLarge = false;
    const auto drain = [&] {
        if (tooLarge || !reply->isOpen())
            return;
        result.body += reply->read(maxReplyBytes + 1 - result.body.size());
        if (result.body.size() > maxReplyBytes) {
            tooLarge = true;
            reply->abort();
        }
    };
    QObject::connect(reply.get(), &QNetworkReply::readyRead, reply.get(), drain);
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    drain();

    if (tooLarge)
        result.errorText = QStringLiteral("respuesta demasiado grande");
    else if (reply->error() != QNetworkReply::NoError)
        result.errorText = reply->errorString();
    else
        result.received = true;
    return result;
}

// JSON null is the services' "no data here" and reads as 0 m, as a number
// does as itself; anything else (text, a missing member, a non-array
// "results") is not a reply of theirs and gives no value.
static std::optional<double> firstElevation(const QJsonValue &results)
{
    const QJsonArray array = results.toArray();
    if (array.isEmpty())
        return std::nullopt;
    const QJsonValue elevation = array.first().toObject().value(QLatin1String("elevation"));
    if (elevation.isNull())
        return 0.0;
    if (elevation.isDouble() && std::isfinite(elevation.toDouble()))
        return elevation.toDouble();
    return std::nullopt;
}

static std::optional<double> elevationFromBody(const QString &provider, const QByteArray &body,
                                               const LogCallback &log)
{
    const QString text = QString::fromUtf8(body);
    log(QStringLiteral("DEBUG: Respuesta cruda: %1").arg(text));
    log(QStringLiteral("DEBUG: JSON recibido: %1").arg(text));
    const QJsonObject reply = QJsonDocument::fromJson(body).object();
    const QString status = reply.value(QLatin1String("status")).toString();
    if (isGoogle(provider)) {
        if (status != QLatin1String("OK")) {
            log(QStringLiteral("Error de API Google: ") + status + QStringLiteral(" - ")
                + reply.value(QLatin1String("error_message")).toString());
            return std::nullopt;
        }
    } else if (status != QLatin1String("OK") || !reply.contains(QLatin1String("results"))) {
        const QString error = reply.contains(QLatin1String("error"))
                ? reply.value(QLatin1String("error")).toString()
                : QStringLiteral("Sin detalles");
        log(QStringLiteral("Error de API OpenTopoData: %1 - %2").arg(status, error));
        return std::nullopt;
    }
    return firstElevation(reply.value(QLatin1String("results")));
}

// Asks the service for the elevation at one point; the pause follows every
// reply, failed ones included, so requests stay spaced.
static std::optional<double> queryElevation(const AltitudeJob &job, QNetworkAccessManager &manager,
                                            const QUrl &url, const LogCallback &log)
{
    const ServiceReply reply = fetch(manager, url, job.timeoutMs);
    std::optional<double> elevation;
    if (reply.received)
        elevation = elevationFromBody(job.provider, reply.body, log);
    else
        log(QStringLiteral("Error de red: ") + reply.errorText);
    QThread::msleep(static_cast<unsigned long>(std::max(job.pauseMs, 0)));
    return elevation;
}

static RowOutcome fillRow(const AltitudeJob &job, QNetworkAccessManager &manager, int lineNumber,
                          QString &line, const LogCallback &log)
{
    const QString number = QString::number(lineNumber);
    QStringList fields = line.split(fieldSeparator, Qt::KeepEmptyParts);
    log(QStringLiteral("DEBUG: Procesando línea %1: %2").arg(number, line));
    log(QStringLiteral("DEBUG: Columnas en línea %1: size=%2, %3")
                .arg(number, QString::number(fields.size()), fields.join(QLatin1Char(','))));

    while (fields.size() <= job.altitudeIndex)
        fields.append(QString());
    const bool hasAltitude = !fields.at(job.altitudeIndex).trimmed().isEmpty();
    log(QStringLiteral("DEBUG: Línea %1 tieneAltitud=%2")
                .arg(number, hasAltitude ? QStringLiteral("true") : QStringLiteral("false")));
    if (hasAltitude && !job.overwrite) {
        log(QStringLiteral("DEBUG: Omisión línea %1: ya tiene altitud y no se debe sobrescribir.")
                    .arg(number));
        return RowOutcome::Unchanged;
    }
    if (fields.size() < 5) {
        log(QStringLiteral("DEBUG: Omisión línea %1: menos de 5 columnas").arg(number));
        return RowOutcome::Unchanged;
    }
    const QString letterText = fields.at(2).trimmed();
    if (letterText.isEmpty()) {
        log(QStringLiteral("DEBUG: Omisión línea %1: letra de zona ausente").arg(number));
        return RowOutcome::Unchanged;
    }
    const QString eastingText = fields.at(3).trimmed();
    const QString northingText = fields.at(4).trimmed();
    bool zoneOk = false;
    const int zone = fields.at(1).trimmed().toInt(&zoneOk, 10);
    double easting = 0.0;
    double northing = 0.0;
    if (!zoneOk || !readFiniteNumber(eastingText, easting)
        || !readFiniteNumber(northingText, northing)) {
        log(QStringLiteral("DEBUG: Omisión línea %1: UTM inválido").arg(number));
        return RowOutcome::Unchanged;
    }

    const char16_t letterCode = letterText.at(0).unicode();
    const char letter = letterCode < 256 ? static_cast<char>(letterCode) : '\0';
    log(QStringLiteral("DEBUG: Parsed UTM - zone=%1, zoneLetter=%2, easting=%3, northing=%4")
                .arg(QString::number(zone), letterText, eastingText, northingText));
    double latitude = 0.0;
    double longitude = 0.0;
    utmToLatLon(zone, letter, easting, northing, latitude, longitude);
    log(QStringLiteral("DEBUG UTM->LatLon: zone=%1%2, easting=%3, northing=%4 -> lat=%5, lon=%6")
                .arg(QString::number(zone), letter ? QString(QLatin1Char(letter)) : QString(),
                     QString::number(easting), QString::number(northing), degreesText(latitude),
                     degreesText(longitude)));

    const QString point = degreesText(latitude) + QLatin1Char(',') + degreesText(longitude);
    log(QStringLiteral("DEBUG locationsParam: ") + point);
    log(QStringLiteral("Consultando altitud para %1 (Coords: %2)").arg(fields.at(0), point));
    if (isGoogle(job.provider) && job.apiKey.isEmpty()) {
        log(QStringLiteral("Error: Se requiere una clave de API para Google Elevation."));
        return RowOutcome::MissingKey;
    }
    // The key is a secret: the log shows where the request went, not the key.
    log(QStringLiteral("DEBUG: URL de petición: %1")
                .arg(requestUrl(job, point, QStringLiteral("***")).toString()));

    // Encoded here because the query would keep '+' and "%41" as they are,
    // and a service reads them as a space and an 'A'.
    const QString encodedKey = QString::fromLatin1(QUrl::toPercentEncoding(job.apiKey));
    const std::optional<double> elevation
            = queryElevation(job, manager, requestUrl(job, point, encodedKey), log);
    if (!elevation)
        return RowOutcome::Unchanged;

    const QString value = QString::number(*elevation, 'f', 2);
    fields[job.altitudeIndex] = value;
    line = fields.join(fieldSeparator);
    log(QStringLiteral("Altitud obtenida: ") + value + QStringLiteral(" m"));
    log(QStringLiteral("DEBUG writing altitude: line ") + QString::number(lineNumber + 1)
        + QStringLiteral(" -> ") + line);
    return RowOutcome::Updated;
}

void fillAltitudes(const QString &path, const QString &provider, const QString &apiKey,
                   bool overwrite, const LogCallback &log, const ProgressCallback &progress,
                   const QString &baseUrl, int pauseMs, int timeoutMs)
{
    QStringList lines;
    QStringConverter::Encoding encoding = QStringConverter::Utf8;
    if (!readLines(path, lines, encoding, log))
        return;
    if (lines.isEmpty()) {
        log(QStringLiteral("Error: El archivo CSV está vacío."));
        return;
    }

    QStringList headerFields = lines.first().split(fieldSeparator, Qt::KeepEmptyParts);
    const qsizetype headerSize = headerFields.size();
    AltitudeJob job {
            provider, apiKey,   baseUrl, overwrite, findOrAppendAltitudeColumn(headerFields),
            pauseMs,  timeoutMs};
    if (headerFields.size() != headerSize)
        lines.first() = headerFields.join(fieldSeparator);
    log(QStringLiteral("DEBUG: Header columns: %1").arg(headerFields.join(QLatin1Char(','))));
    log(QStringLiteral("DEBUG: Índice de columna altitud: %1").arg(job.altitudeIndex));

    QNetworkAccessManager manager;
    const int total = static_cast<int>(lines.size()) - 1;
    progress(0, total);
    int updated = 0;
    for (int i = 1; i <= total; ++i) {
        const RowOutcome outcome = fillRow(job, manager, i, lines[i], log);
        if (outcome == RowOutcome::MissingKey)
            return;
        if (outcome == RowOutcome::Updated)
            ++updated;
        progress(i, total);
    }

    log(QStringLiteral("DEBUG: Escritura CSV, total líneas: %1").arg(lines.size()));
    if (!writeLines(path, lines, encoding, log))
        return;
    log(QStringLiteral("DEBUG: CSV guardado correctamente"));
    log(QStringLiteral("Proceso completado. Se actualizaron %1 de %2 registros.")
                .arg(updated)
                .arg(total));
}
