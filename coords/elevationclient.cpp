#include "coords/elevationclient.h"

#include "coords/elevationreply.h"
#include "coords/logquote.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>
#include <QTimer>
#include <QUrlQuery>

#include <algorithm>
#include <memory>

// An elevation reply takes some 200 bytes a point; a body far beyond that is
// not an answer and is not read further.
static qint64 maxReplyBytes(qsizetype points)
{
    return 16 * 1024 + 1024 * static_cast<qint64>(points);
}
// How often a request in flight or a pause looks whether the run was stopped.
static constexpr int stopPollMs = 50;

// A reply's body when the transfer succeeded, else the reason it did not.
struct ElevationClient::Transfer
{
    enum Outcome { Received, Failed, Stopped };
    Outcome outcome = Failed;
    QByteArray body;
    QString errorText;
};

// `key` must already be safe inside a query.
static QUrl requestUrl(const ElevationSource &source, const QStringList &points, const QString &key)
{
    const bool google = source.isGoogle();
    QUrl url(source.service.baseUrl.isEmpty()
                     ? QString::fromLatin1(google ? googleElevationBaseUrl : openTopoDataBaseUrl)
                     : source.service.baseUrl);
    url.setPath(google ? QStringLiteral("/maps/api/elevation/json")
                       : QStringLiteral("/v1/srtm30m"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("locations"), points.join(QLatin1Char('|')));
    if (google)
        query.addQueryItem(QStringLiteral("key"), key);
    url.setQuery(query);
    return url;
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

ElevationClient::ElevationClient(const ElevationSource &source, const LogCallback &log)
    : source(source)
    , log(log)
    , encodedKey(QString::fromLatin1(QUrl::toPercentEncoding(source.apiKey)))
{ }

bool ElevationClient::fits(const QStringList &points) const
{
    return points.size() <= source.maxPoints()
            && requestUrl(source, points, encodedKey).toEncoded().size() <= maxRequestUrlChars;
}

std::optional<QJsonArray> ElevationClient::ask(const QStringList &points)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt > 0)
            log(QStringLiteral("Reintentando la consulta de %1 puntos.").arg(points.size()));
        if (!waitForTurn())
            return std::nullopt;
        // The key is a secret: the log shows where the request went, not the key.
        log(QStringLiteral("DEBUG: URL de petición: %1")
                    .arg(requestUrl(source, points, QStringLiteral("***")).toString()));
        const Transfer transfer
                = fetch(requestUrl(source, points, encodedKey), maxReplyBytes(points.size()));
        if (transfer.outcome == Transfer::Stopped)
            return std::nullopt;
        if (transfer.outcome == Transfer::Failed) {
            log(QStringLiteral("Error de red: ") + transfer.errorText);
            continue;
        }
        const std::optional<QJsonArray> results
                = serviceResults(transfer.body, source.isGoogle(), log);
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

bool ElevationClient::waitForTurn()
{
    if (lastStart.isValid()) {
        qint64 remaining;
        while ((remaining = source.service.pauseMs - lastStart.elapsed()) > 0) {
            if (source.stopped())
                return false;
            QThread::msleep(static_cast<unsigned long>(std::min<qint64>(remaining, stopPollMs)));
        }
    }
    return !source.stopped();
}

ElevationClient::Transfer ElevationClient::fetch(const QUrl &url, qint64 maxBytes)
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
                          .arg(QString::number(source.service.timeoutMs / 1000.0)));
    });
    QTimer stopPoll;
    QObject::connect(&stopPoll, &QTimer::timeout, reply.get(), [&] {
        if (source.stopped())
            abortWith(Transfer::Stopped, QStringLiteral("detenido"));
    });
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished()) {
        deadline.start(source.service.timeoutMs);
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
