#include "tests/support/fakeelevationserver.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QUrl>
#include <QUrlQuery>

FakeElevationServer::FakeElevationServer(QObject *parent)
    : QObject(parent)
{
    defaultReply.body = R"({"results":[{"elevation":100.0}],"status":"OK"})";
    connect(&server, &QTcpServer::newConnection, this, &FakeElevationServer::acceptConnections);
}

FakeElevationServer::~FakeElevationServer()
{
    stop();
}

bool FakeElevationServer::start()
{
    clock.start();
    return server.listen(QHostAddress::LocalHost, 0);
}

void FakeElevationServer::stop()
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
    request.path = target.path();
    request.queryItems = QUrlQuery(target).queryItems(QUrl::FullyDecoded);
    request.receivedMs = clock.elapsed();
    recorded.append(request);

    const FakeReply reply = queuedReplies.isEmpty() ? defaultReply : queuedReplies.takeFirst();
    if (reply.neverAnswer)
        return;
    QByteArray response = "HTTP/1.1 " + QByteArray::number(reply.statusCode)
            + (reply.statusCode == 200 ? " OK" : " Error") + "\r\n";
    response += "Content-Type: application/json\r\n";
    response += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    response += "Connection: close\r\n\r\n";
    response += reply.body;
    socket->write(response);
    socket->disconnectFromHost();
}
