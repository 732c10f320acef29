// The TCP front of the remote control's HTTP server. Qt's HTTP server reads a request head and
// body of any size and keeps a connection as long as the client likes, so this front bounds the
// connections (in all and per address), what each may buffer, and how long each may take.
#pragma once

#include <QHash>
#include <QHostAddress>
#include <QTcpServer>
#include <functional>

class QTcpSocket;

class RemoteListener : public QTcpServer {
    Q_OBJECT
public:
    struct Limits {
        int connections = 64;
        int connectionsPerAddress = 16;
        qint64 readBufferBytes = 16 * 1024; // a request head and body must fit
        int requestMs = 5000;               // from the first byte to the whole request
        int idleMs = 15'000;                // between requests on one connection
        int lifetimeMs = 120'000;           // of an HTTP connection; WebSockets end on their own
    };

    // `refuse` says whether an address is not let in at all.
    RemoteListener(Limits limits, std::function<bool(const QHostAddress&)> refuse,
                   QObject* parent = nullptr);

    int connectionCount() const { return int(live.size()); }
    // A request on the socket was answered: it may stay idle for a while.
    void requestDone(QTcpSocket* socket);
    // The connection of this peer became a WebSocket: it keeps counting, without the HTTP
    // deadlines.
    void upgraded(const QHostAddress& address, quint16 port);

signals:
    void connectionCountChanged();

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    class Deadlines;
    struct Connection {
        QHostAddress peer;
        quint16 port = 0;
        Deadlines* deadlines = nullptr; // a child of the socket
    };

    void forget(QTcpSocket* socket);

    Limits limits;
    std::function<bool(const QHostAddress&)> refuse;
    QHash<QTcpSocket*, Connection> live;
    QHash<QHostAddress, int> perAddress;
};
