#ifndef FAKEELEVATIONSERVER_H
#define FAKEELEVATIONSERVER_H

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

// One GET request as the server received it.
struct RecordedRequest
{
    QString path;
    QList<QPair<QString, QString>> queryItems; // decoded, in request order
    qint64 receivedMs = 0; // since the server started
};

// How the server answers one request.
struct FakeReply
{
    int statusCode = 200;
    QByteArray body;
    bool neverAnswer = false; // keep the connection open and say nothing
};

// Loopback HTTP server that plays an elevation service for tests: answers
// each GET with the next queued reply (when none is left, an "OK" reply of
// 100 m that suits both services), closes the connection after answering,
// and records every request. Lives on the thread that created it; that
// thread must run an event loop while clients talk.
class FakeElevationServer : public QObject
{
    Q_OBJECT
public:
    explicit FakeElevationServer(QObject *parent = nullptr);
    ~FakeElevationServer() override;

    // Listens on 127.0.0.1 at a free port.
    bool start();
    void stop();
    // "http://127.0.0.1:<port>"
    QString baseUrl() const;

    void queueReply(const FakeReply &reply);
    void queueJson(const QByteArray &body);

    QList<RecordedRequest> requests() const { return recorded; }

private:
    void acceptConnections();
    void readRequest(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const QByteArray &requestHead);

    QTcpServer server;
    QElapsedTimer clock;
    QHash<QTcpSocket *, QByteArray> pendingInput;
    QList<FakeReply> queuedReplies;
    FakeReply defaultReply;
    QList<RecordedRequest> recorded;
};

#endif // FAKEELEVATIONSERVER_H
