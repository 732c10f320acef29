#include "remote/OscReceiver.h"

#include <QNetworkDatagram>
#include <QUdpSocket>
#include <cstring>
#include <lo/lo.h>

namespace {

// liblo's arguments sit on 4-byte boundaries inside the message, fewer than its argument union
// promises, so numbers are copied out rather than read through the union.
template <class Value> Value argument(const lo_arg* raw) {
    if constexpr (std::is_same_v<Value, const char*>) {
        return reinterpret_cast<const char*>(raw);
    } else {
        Value value;
        std::memcpy(&value, raw, sizeof value);
        return value;
    }
}

} // namespace

// Lives on the reading thread: owns the socket and hands decoded messages over.
class OscReceiver::Reader : public QObject {
public:
    Reader(OscReceiver* owner, std::shared_ptr<std::atomic<int>> queued,
           std::shared_ptr<std::atomic<bool>> closing)
        : owner(owner), queued(std::move(queued)), closing(std::move(closing)) {}

    quint16 bind(const QHostAddress& address, quint16 port) {
        socket = std::make_unique<QUdpSocket>();
        if (!socket->bind(address, port)) {
            socket.reset();
            return 0;
        }
        connect(socket.get(), &QUdpSocket::readyRead, this, [this] { readAll(); });
        return socket->localPort();
    }

    void unbind() { socket.reset(); }

private:
    void readAll() {
        // Every datagram waiting, or Qt does not report the next ones; a close that the main
        // thread waits for cuts a flood short.
        while (socket && !closing->load() && socket->hasPendingDatagrams()) {
            // One byte more than allowed shows that a datagram was too long.
            const QNetworkDatagram datagram = socket->receiveDatagram(largestDatagram + 1);
            if (datagram.data().size() > largestDatagram)
                continue;
            auto message = decode(datagram.data(), datagram.senderAddress());
            if (!message || queued->load() >= queuedAtMost)
                continue;
            ++*queued;
            QMetaObject::invokeMethod(
                owner,
                [owner = owner, queued = queued, message = *message] {
                    --*queued;
                    emit owner->received(message);
                },
                Qt::QueuedConnection);
        }
    }

    OscReceiver* owner;
    std::shared_ptr<std::atomic<int>> queued;
    std::shared_ptr<std::atomic<bool>> closing;
    std::unique_ptr<QUdpSocket> socket;
};

OscReceiver::OscReceiver(QObject* parent)
    : QObject(parent), queued(std::make_shared<std::atomic<int>>(0)),
      closing(std::make_shared<std::atomic<bool>>(false)) {
    reader = new Reader(this, queued, closing);
    reader->moveToThread(&thread);
    connect(&thread, &QThread::finished, reader, &QObject::deleteLater);
    thread.setObjectName(QStringLiteral("remote-osc"));
    thread.start();
}

OscReceiver::~OscReceiver() {
    close();
    thread.quit();
    thread.wait();
}

quint16 OscReceiver::listen(const QHostAddress& address, quint16 port) {
    quint16 bound = 0;
    *closing = false;
    // Binding is immediate; the main thread waits for the reader thread, never for the network.
    QMetaObject::invokeMethod(
        reader, [&] { bound = reader->bind(address, port); }, Qt::BlockingQueuedConnection);
    return bound;
}

void OscReceiver::close() {
    if (thread.isRunning()) {
        *closing = true;
        QMetaObject::invokeMethod(
            reader, [this] { reader->unbind(); }, Qt::BlockingQueuedConnection);
    }
}

std::optional<OscReceiver::Message> OscReceiver::decode(const QByteArray& datagram,
                                                        const QHostAddress& from) {
    int result = 0;
    // liblo reads the address, the type tags and the arguments, checking every length.
    lo_message message = lo_message_deserialise(const_cast<char*>(datagram.constData()),
                                                size_t(datagram.size()), &result);
    if (!message)
        return std::nullopt;
    const char* path = lo_get_path(const_cast<char*>(datagram.constData()), datagram.size());
    const int count = lo_message_get_argc(message);
    const char* types = lo_message_get_types(message);
    lo_arg** arguments = lo_message_get_argv(message);
    std::optional<Message> decoded;
    if (path && count >= 1 && types && (types[0] == LO_STRING || types[0] == LO_SYMBOL)) {
        decoded = Message{from, QByteArray(argument<const char*>(arguments[0])), std::nullopt};
        QVariantList rest;
        for (int i = 1; i < count; ++i) {
            switch (types[i]) {
            case LO_INT32:
                rest.append(argument<qint32>(arguments[i]));
                break;
            case LO_INT64:
                rest.append(qlonglong(argument<qint64>(arguments[i])));
                break;
            case LO_FLOAT:
                rest.append(argument<float>(arguments[i]));
                break;
            case LO_DOUBLE:
                rest.append(argument<double>(arguments[i]));
                break;
            case LO_STRING:
            case LO_SYMBOL:
                rest.append(QString::fromUtf8(argument<const char*>(arguments[i])));
                break;
            default:
                rest.append(QVariant());
                break;
            }
        }
        decoded->request = oscRequest(QString::fromUtf8(path), rest);
    }
    lo_message_free(message);
    return decoded;
}
