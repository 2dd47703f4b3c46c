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
    QList<QPair<QString, QString>> queryItems; // decoded, in request order
    qint64 receivedMs = 0; // since the server started
    qsizetype targetChars = 0; // path and query as sent

    // The "locations" item split at '|'.
    QStringList points() const;
};

// How the server answers one request.
struct FakeReply
{
    enum Kind {
        Whole, // status line, headers and body at once
        NeverAnswer, // keep the connection open and say nothing
        EndlessBody, // a chunked body that never ends
        TrickledBody, // claims 100000 bytes, sends one every trickleMs
        Redirect, // 302 to `location`
    };
    Kind kind = Whole;
    int statusCode = 200;
    QByteArray body; // empty: one result of 100 m per point asked
    QByteArray location;
    int trickleMs = 100;
};

// Loopback HTTP server that plays an elevation service for tests: answers
// each GET with the next queued reply (when none is left, an "OK" reply of
// 100 m per point that suits both services), closes the connection after
// answering, and records every request. Lives on the thread that created it;
// that thread must run an event loop while clients talk.
class FakeElevationServer : public QObject
{
    Q_OBJECT
public:
    explicit FakeElevationServer(QObject *parent = nullptr);
    ~FakeElevationServer() override;

    // Listens on 127.0.0.1 at a free port.
    bool start();
    // "http://127.0.0.1:<port>"
    QString baseUrl() const;

    void queueReply(const FakeReply &reply);
    void queueJson(const QByteArray &body);

    QList<RecordedRequest> requests() const { return recorded; }
    // Body bytes written by endless and trickled replies, all requests together.
    qint64 streamedBytes() const { return streamed; }

private:
    void acceptConnections();
    void readRequest(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const QByteArray &requestHead);
    void stream(QTcpSocket *socket, int intervalMs, const QByteArray &piece);

    QTcpServer server;
    QElapsedTimer clock;
    QHash<QTcpSocket *, QByteArray> pendingInput;
    QList<FakeReply> queuedReplies;
    QList<RecordedRequest> recorded;
    qint64 streamed = 0;
};

#endif // FAKEELEVATIONSERVER_H
