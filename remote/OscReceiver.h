// The control desk's OSC messages: a UDP socket on the chosen address, read on a thread of its
// own and decoded by liblo, so that a flood of datagrams never reaches the main thread; what
// could be a command comes back as a queued signal, a bounded number at a time.
#pragma once

#include "remote/RemoteCommands.h"

#include <QHostAddress>
#include <QObject>
#include <QThread>
#include <atomic>
#include <memory>

class OscReceiver : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 largestDatagram = 1024;
    static constexpr int queuedAtMost = 32;

    explicit OscReceiver(QObject* parent = nullptr);
    ~OscReceiver() override;

    // Binds on the reading thread and returns the port, or 0 when the port cannot be had.
    quint16 listen(const QHostAddress& address, quint16 port);
    void close();

    // What a datagram says, decoded without judging the token; `request` is empty when the
    // address or the arguments name no command.
    struct Message {
        QHostAddress from;
        QByteArray token;
        std::optional<RemoteRequest> request;
    };
    static std::optional<Message> decode(const QByteArray& datagram, const QHostAddress& from);

signals:
    void received(const OscReceiver::Message& message);

private:
    class Reader;
    QThread thread;
    Reader* reader = nullptr;
    std::shared_ptr<std::atomic<int>> queued;
    std::shared_ptr<std::atomic<bool>> closing;
};
