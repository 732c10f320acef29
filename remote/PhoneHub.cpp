#include "remote/PhoneHub.h"

#include "base/L10n.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QUrlQuery>
#include <QWebSocket>

namespace {

qint64 nowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

// A name the program makes itself: the peer's address and the kind of device its browser
// names, never text the phone chose.
QString phoneName(const QWebSocket& socket) {
    const QByteArray agent = socket.request().rawHeader("User-Agent");
    QString device = L10n::lookup(QStringLiteral("Browser"));
    for (const char* known : {"iPhone", "iPad", "Android"}) {
        if (agent.contains(known)) {
            device = QLatin1String(known);
            break;
        }
    }
    QString address = socket.peerAddress().toString();
    if (socket.peerAddress().protocol() == QAbstractSocket::IPv6Protocol) {
        if (const QHostAddress v4(socket.peerAddress().toIPv4Address()); !v4.isNull())
            address = v4.toString();
    }
    return address + QStringLiteral(" · ") + device;
}

// The commands a phone offers; starting and ending the presentation stay with the console.
bool phoneMayAsk(RemoteCommand command) {
    return command != RemoteCommand::Start && command != RemoteCommand::Stop;
}

} // namespace

PhoneHub::PhoneHub(RemoteGuard& guard, Limits limits, QObject* parent)
    : QObject(parent), guard(guard), limits(limits) {
    connect(&pinger, &QTimer::timeout, this, &PhoneHub::keepAlive);
    pinger.start(limits.pingMs);
}

PhoneHub::~PhoneHub() {
    closeAll();
}

PhoneHub::Phone* PhoneHub::find(QWebSocket* socket) {
    for (Phone& phone : phones) {
        if (phone.socket == socket)
            return &phone;
    }
    return nullptr;
}

void PhoneHub::add(QWebSocket* socket) {
    socket->setParent(this);
    socket->setMaxAllowedIncomingFrameSize(quint64(limits.messageBytes));
    socket->setMaxAllowedIncomingMessageSize(quint64(limits.messageBytes));
    socket->setReadBufferSize(limits.messageBytes * 4);
    const QByteArray token =
        QUrlQuery(socket->requestUrl()).queryItemValue(QStringLiteral("token")).toUtf8();
    if (guard.check(socket->peerAddress(), token) != RemoteGuard::Verdict::Allowed ||
        int(phones.size()) >= limits.phones) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    phones.push_back(Phone{socket, nextId++, phoneName(*socket), nowMs()});
    connect(socket, &QWebSocket::textMessageReceived, this,
            [this, socket](const QString& message) { receive(socket, message); });
    connect(socket, &QWebSocket::binaryMessageReceived, this, [this, socket] { drop(socket); });
    connect(socket, &QWebSocket::pong, this, [this, socket] {
        if (Phone* phone = find(socket))
            phone->lastHeardMs = nowMs();
    });
    connect(socket, &QWebSocket::disconnected, this, [this, socket] { drop(socket); });
    // A frame too large, a broken frame or a closing phone: gone at once, not after the closing
    // handshake a hostile phone may never finish.
    connect(
        socket, &QWebSocket::aboutToClose, this, [this, socket] { drop(socket); },
        Qt::QueuedConnection);
    connect(
        socket, qOverload<QAbstractSocket::SocketError>(&QWebSocket::error), this,
        [this, socket] { drop(socket); }, Qt::QueuedConnection);

    Phone& phone = phones.back();
    const QJsonObject hello{{QStringLiteral("type"), QStringLiteral("hello")},
                            {QStringLiteral("texts"), texts}};
    send(phone, QJsonDocument(hello).toJson(QJsonDocument::Compact));
    if (Phone* stillThere = find(socket); stillThere && !stateMessage.isEmpty())
        send(*stillThere, stateMessage);
    if (Phone* stillThere = find(socket))
        sendControl(*stillThere);
    emit clientsChanged();
}

void PhoneHub::forEachPhone(const std::function<void(Phone&)>& action) {
    // Sending may drop a phone that does not read, so walk a copy of the sockets.
    QList<QWebSocket*> sockets;
    for (const Phone& phone : phones)
        sockets.append(phone.socket);
    for (QWebSocket* socket : sockets) {
        if (Phone* phone = find(socket))
            action(*phone);
    }
}

void PhoneHub::setState(const RemoteState& state) {
    stateMessage = QJsonDocument(phoneStateJson(state)).toJson(QJsonDocument::Compact);
    forEachPhone([this](Phone& phone) { send(phone, stateMessage); });
}

void PhoneHub::setTexts(const QJsonObject& newTexts) {
    texts = newTexts;
}

void PhoneHub::send(Phone& phone, const QByteArray& message) {
    QWebSocket* socket = phone.socket;
    socket->sendTextMessage(QString::fromUtf8(message));
    if (socket->bytesToWrite() > limits.backlogBytes)
        drop(socket);
}

void PhoneHub::sendControl(Phone& phone) {
    const QJsonObject control{{QStringLiteral("type"), QStringLiteral("control")},
                              {QStringLiteral("you"), phone.id == controllerId},
                              {QStringLiteral("controller"), controllerName()}};
    send(phone, QJsonDocument(control).toJson(QJsonDocument::Compact));
}

void PhoneHub::receive(QWebSocket* socket, const QString& message) {
    Phone* phone = find(socket);
    if (!phone)
        return;
    if (guard.admit(socket->peerAddress()) != RemoteGuard::Verdict::Allowed) {
        drop(socket);
        return;
    }
    phone->lastHeardMs = nowMs();
    const QJsonObject object = QJsonDocument::fromJson(message.toUtf8()).object();
    if (object.value(QStringLiteral("control")) == QJsonValue(true)) {
        controllerId = phone->id;
        forEachPhone([this](Phone& each) { sendControl(each); });
        emit clientsChanged();
        return;
    }
    const auto command = remoteCommandNamed(object.value(QStringLiteral("command")).toString());
    if (!command || !phoneMayAsk(*command))
        return;
    if (phone->id != controllerId) {
        sendControl(*phone);
        return;
    }
    RemoteRequest request{*command, 0};
    if (*command == RemoteCommand::GoTo) {
        const QJsonValue slide = object.value(QStringLiteral("slide"));
        const double number = slide.toDouble(-1);
        if (!slide.isDouble() || number < 1 || number > 999'999 || number != int(number))
            return;
        request.slideNumber = int(number);
    }
    emit requested(request);
}

void PhoneHub::drop(QWebSocket* socket) {
    const auto it = std::find_if(phones.begin(), phones.end(),
                                 [socket](const Phone& phone) { return phone.socket == socket; });
    if (it == phones.end())
        return;
    const bool wasController = it->id == controllerId;
    phones.erase(it);
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    if (wasController) {
        controllerId = 0;
        forEachPhone([this](Phone& each) { sendControl(each); });
    }
    emit clientsChanged();
}

void PhoneHub::keepAlive() {
    const qint64 now = nowMs();
    QList<QWebSocket*> silent;
    for (const Phone& phone : phones) {
        if (now - phone.lastHeardMs > limits.silenceMs)
            silent.append(phone.socket);
        else
            phone.socket->ping();
    }
    for (QWebSocket* socket : silent)
        drop(socket);
}

void PhoneHub::closeAll() {
    const bool hadPhones = !phones.empty();
    for (const Phone& phone : std::exchange(phones, {})) {
        phone.socket->disconnect(this);
        phone.socket->abort();
        phone.socket->deleteLater();
    }
    controllerId = 0;
    if (hadPhones)
        emit clientsChanged();
}

QList<RemoteClient> PhoneHub::clients() const {
    QList<RemoteClient> list;
    for (const Phone& phone : phones)
        list.append(RemoteClient{phone.id, phone.name, phone.id == controllerId});
    return list;
}

QString PhoneHub::controllerName() const {
    for (const Phone& phone : phones) {
        if (phone.id == controllerId)
            return phone.name;
    }
    return {};
}
