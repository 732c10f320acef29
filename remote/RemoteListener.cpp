#include "remote/RemoteListener.h"

#include <QTcpSocket>
#include <QTimer>

// The deadlines of one HTTP connection, owned by its socket.
class RemoteListener::Deadlines : public QObject {
public:
    Deadlines(QTcpSocket* socket, const RemoteListener::Limits& limits)
        : QObject(socket), limits(limits) {
        const auto abort = [socket] { socket->abort(); };
        request.setSingleShot(true);
        lifetime.setSingleShot(true);
        connect(&request, &QTimer::timeout, socket, abort);
        connect(&lifetime, &QTimer::timeout, socket, abort);
        request.start(limits.requestMs);
        lifetime.start(limits.lifetimeMs);
        // Connected before the HTTP server's own reader, so it sees the first byte of a request.
        connect(socket, &QTcpSocket::readyRead, this, [this] {
            if (idle) {
                idle = false;
                request.start(this->limits.requestMs);
            }
        });
    }

    void answered() {
        idle = true;
        request.start(limits.idleMs);
    }

    void stop() {
        request.stop();
        lifetime.stop();
    }

private:
    RemoteListener::Limits limits;
    QTimer request;
    QTimer lifetime;
    bool idle = false;
};

RemoteListener::RemoteListener(Limits limits, std::function<bool(const QHostAddress&)> refuse,
                               QObject* parent)
    : QTcpServer(parent), limits(limits), refuse(std::move(refuse)) {
    setMaxPendingConnections(limits.connections);
}

void RemoteListener::incomingConnection(qintptr descriptor) {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    const QHostAddress peer = socket->peerAddress();
    if (live.size() >= limits.connections ||
        perAddress.value(peer) >= limits.connectionsPerAddress || refuse(peer)) {
        socket->abort();
        delete socket;
        return;
    }
    socket->setReadBufferSize(limits.readBufferBytes);
    live.insert(socket, Connection{peer, socket->peerPort(), new Deadlines(socket, limits)});
    ++perAddress[peer];
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] { forget(socket); });
    connect(socket, &QObject::destroyed, this, [this, socket] { forget(socket); });
    addPendingConnection(socket);
    emit connectionCountChanged();
}

void RemoteListener::forget(QTcpSocket* socket) {
    const auto connection = live.find(socket);
    if (connection == live.end())
        return;
    const QHostAddress peer = connection->peer;
    live.erase(connection);
    const auto it = perAddress.find(peer);
    if (it != perAddress.end() && --*it <= 0)
        perAddress.erase(it);
    emit connectionCountChanged();
}

void RemoteListener::requestDone(QTcpSocket* socket) {
    if (const auto connection = live.constFind(socket); connection != live.constEnd())
        connection->deadlines->answered();
}

void RemoteListener::upgraded(const QHostAddress& address, quint16 port) {
    for (auto it = live.cbegin(); it != live.cend(); ++it) {
        if (it->port != port || it->peer != address)
            continue;
        it->deadlines->stop();
        // Qt's HTTP server cut every connection to the socket when it handed it over.
        QTcpSocket* socket = it.key();
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { forget(socket); });
        connect(socket, &QObject::destroyed, this, [this, socket] { forget(socket); });
        return;
    }
}
