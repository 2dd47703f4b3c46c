#include "tests/support/fakeelevationserver.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

QStringList RecordedRequest::points() const
{
    for (const auto &item : queryItems) {
        if (item.first == QLatin1String("locations"))
            return item.second.split(QLatin1Char('|'));
    }
    return {};
}

static QByteArray resultsFor(const RecordedRequest &request)
{
    QByteArray results;
    for (qsizetype i = 0; i < request.points().size(); ++i)
        results += QByteArray(i ? "," : "") + R"({"elevation":100.0})";
    return R"({"results":[)" + results + R"(],"status":"OK"})";
}

FakeElevationServer::FakeElevationServer(QObject *parent)
    : QObject(parent)
{
    connect(&server, &QTcpServer::newConnection, this, &FakeElevationServer::acceptConnections);
}

bool FakeElevationServer::start()
{
    clock.start();
    return server.listen(QHostAddress::LocalHost, 0);
}

FakeElevationServer::~FakeElevationServer()
{
    server.close();
    const QList<QTcpSocket *> sockets = pendingInput.keys();
    pendingInput.clear();
    for (QTcpSocket *socket : sockets) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
}

QString FakeElevationServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort());
}

void FakeElevationServer::queueReply(const FakeReply &reply)
{
    queuedReplies.append(reply);
}

void FakeElevationServer::queueJson(const QByteArray &body)
{
    FakeReply reply;
    reply.body = body;
    queueReply(reply);
}

void FakeElevationServer::acceptConnections()
{
    while (QTcpSocket *socket = server.nextPendingConnection()) {
        pendingInput.insert(socket, QByteArray());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            pendingInput.remove(socket);
            socket->deleteLater();
        });
    }
}

void FakeElevationServer::readRequest(QTcpSocket *socket)
{
    QByteArray &input = pendingInput[socket];
    input += socket->readAll();
    const qsizetype headEnd = input.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return;
    const QByteArray head = input.left(headEnd);
    input.clear();
    answer(socket, head);
}

void FakeElevationServer::answer(QTcpSocket *socket, const QByteArray &requestHead)
{
    const QList<QByteArray> requestLine = requestHead.left(requestHead.indexOf("\r\n")).split(' ');
    const QUrl target(QString::fromLatin1(requestLine.value(1)));
    RecordedRequest request;
    request.queryItems = QUrlQuery(target).queryItems(QUrl::FullyDecoded);
    request.receivedMs = clock.elapsed();
    request.targetChars = requestLine.value(1).size();
    recorded.append(request);

    FakeReply reply = queuedReplies.isEmpty() ? FakeReply() : queuedReplies.takeFirst();
    if (reply.body.isEmpty())
        reply.body = resultsFor(request);
    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.statusCode)
            + (reply.statusCode == 200           ? " OK"
                       : reply.statusCode == 403 ? " Forbidden"
                                                 : " Error")
            + "\r\n";
    head += "Content-Type: application/json\r\nConnection: close\r\n";
    switch (reply.kind) {
    case FakeReply::NeverAnswer:
        return;
    case FakeReply::EndlessBody:
        socket->write(head + "Transfer-Encoding: chunked\r\n\r\n");
        stream(socket, 0, "4000\r\n" + QByteArray(0x4000, ' ') + "\r\n");
        return;
    case FakeReply::TrickledBody:
        socket->write(head + "Content-Length: 100000\r\n\r\n");
        stream(socket, reply.trickleMs, " ");
        return;
    case FakeReply::Redirect:
        socket->write("HTTP/1.1 302 Found\r\nLocation: " + reply.location
                      + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        break;
    case FakeReply::Whole:
        socket->write(head + "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n\r\n"
                      + reply.body);
        break;
    }
    socket->disconnectFromHost();
}

// Writes `piece` every `intervalMs` for as long as the client keeps the
// connection and has read what came before.
void FakeElevationServer::stream(QTcpSocket *socket, int intervalMs, const QByteArray &piece)
{
    auto *timer = new QTimer(socket);
    connect(timer, &QTimer::timeout, this, [this, socket, piece] {
        if (socket->state() != QAbstractSocket::ConnectedState || socket->bytesToWrite() > 0)
            return;
        socket->write(piece);
        streamed += piece.size();
    });
    timer->start(intervalMs);
}
