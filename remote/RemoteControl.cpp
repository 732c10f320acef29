#include "remote/RemoteControl.h"

#include "base/L10n.h"
#include "remote/RemoteCommands.h"

#include <QAbstractHttpServer>
#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonDocument>
#include <QTcpSocket>
#include <QUrlQuery>
#include <QWebSocket>

// Qt's HTTP server, answering through the remote control; its TCP front is a RemoteListener.
class RemoteHttpServer : public QAbstractHttpServer {
public:
    using Handler = std::function<void(const QHttpServerRequest&, QTcpSocket*)>;
    RemoteHttpServer(Handler handler, QObject* parent)
        : QAbstractHttpServer(parent), handler(std::move(handler)) {}

    using QAbstractHttpServer::makeResponder;

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override {
        // Qt 6.4 upgrades a WebSocket request only when it is handled here, unanswered; the
        // phone's token is checked once the WebSocket is open.
        if (request.value("Upgrade").compare("websocket", Qt::CaseInsensitive) == 0)
            return request.url().path() == QLatin1String("/phone");
        handler(request, socket);
        return true;
    }
    void missingHandler(const QHttpServerRequest&, QTcpSocket*) override {}

private:
    Handler handler;
};

namespace {

using Status = QHttpServerResponder::StatusCode;

// Nothing is cached, nothing is framed, no address leaves in a Referer, and the page runs only
// its own script: notes are inserted as HTML, so an inline script in them must not run.
const QByteArray pagePolicy = "default-src 'none'; script-src 'self'; style-src 'self'; "
                              "img-src 'self'; connect-src 'self'; base-uri 'none'; "
                              "form-action 'none'; frame-ancestors 'none'";

void answer(QTcpSocket* socket, const QHttpServerRequest& request, Status status,
            const QByteArray& type, const QByteArray& body) {
    RemoteHttpServer::makeResponder(request, socket)
        .write(body,
               {{"Content-Type", type},
                {"Cache-Control", "no-store"},
                {"X-Content-Type-Options", "nosniff"},
                {"Referrer-Policy", "no-referrer"},
                {"Content-Security-Policy", pagePolicy}},
               status);
}

void answerJson(QTcpSocket* socket, const QHttpServerRequest& request, Status status,
                const QJsonObject& object) {
    answer(socket, request, status, "application/json",
           QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QJsonObject error(const char* reason) {
    return {{QStringLiteral("ok"), false}, {QStringLiteral("error"), QLatin1String(reason)}};
}

// The token as Companion's generic HTTP module can send it: a query parameter, a bearer token
// or a header of its own.
QByteArray tokenOf(const QHttpServerRequest& request) {
    const QUrlQuery query(request.url());
    if (query.hasQueryItem(QStringLiteral("token")))
        return query.queryItemValue(QStringLiteral("token")).toUtf8();
    const QByteArray authorization = request.value("Authorization");
    if (authorization.startsWith("Bearer "))
        return authorization.mid(7).trimmed();
    return request.value("X-Orvello-Token").trimmed();
}

QByteArray resource(const QString& name) {
    QFile file(QStringLiteral(":/remote/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QJsonObject phoneTexts() {
    return {
        {QStringLiteral("next"), L10n::lookup(QStringLiteral("Weiter ▶︎"))},
        {QStringLiteral("previous"), L10n::lookup(QStringLiteral("◀︎ Zurück"))},
        {QStringLiteral("black"), L10n::lookup(QStringLiteral("Schwarz"))},
        {QStringLiteral("white"), L10n::lookup(QStringLiteral("Weiß"))},
        {QStringLiteral("show"), L10n::lookup(QStringLiteral("Bild zeigen"))},
        {QStringLiteral("go"), L10n::lookup(QStringLiteral("Springen"))},
        {QStringLiteral("slideNumber"), L10n::lookup(QStringLiteral("Folie Nr."))},
        {QStringLiteral("slideOf"), L10n::lookup(QStringLiteral("Folie %@ von %@"))},
        {QStringLiteral("nextSlide"), L10n::lookup(QStringLiteral("Nächste Folie"))},
        {QStringLiteral("noNotes"), L10n::lookup(QStringLiteral("Keine Notizen zu dieser Folie"))},
        {QStringLiteral("end"), L10n::lookup(QStringLiteral("Ende der Präsentation"))},
        {QStringLiteral("takeControl"), L10n::lookup(QStringLiteral("Steuern"))},
        {QStringLiteral("youControl"), L10n::lookup(QStringLiteral("Du steuerst"))},
        {QStringLiteral("controlledBy"), L10n::lookup(QStringLiteral("Es steuert: %@"))},
        {QStringLiteral("nobody"), L10n::lookup(QStringLiteral("Niemand steuert"))},
        {QStringLiteral("blackShown"), L10n::lookup(QStringLiteral("Schwarzbild"))},
        {QStringLiteral("whiteShown"), L10n::lookup(QStringLiteral("Weißbild"))},
        {QStringLiteral("notPresenting"), L10n::lookup(QStringLiteral("Präsentation läuft nicht"))},
        {QStringLiteral("disconnected"),
         L10n::lookup(QStringLiteral("Verbindung getrennt – verbinde neu …"))},
    };
}

} // namespace

RemoteControl::RemoteControl(QObject* parent)
    : RemoteControl(std::make_shared<SystemClock>(), Limits{}, parent) {}

RemoteControl::RemoteControl(std::shared_ptr<Clock> clock, Limits limits, QObject* parent)
    : QObject(parent), clock(clock), limits(limits), guard(clock, limits.guard),
      oscGuard(clock, limits.oscGuard), phones(guard, limits.phones), images(limits.images) {
    connect(&phones, &PhoneHub::requested, this, &RemoteControl::carryOut);
    connect(&phones, &PhoneHub::clientsChanged, this, &RemoteControl::reportStatus);
    connect(&osc, &OscReceiver::received, this, &RemoteControl::oscReceived);
}

RemoteControl::~RemoteControl() {
    stop();
}

void RemoteControl::applySettings(const RemoteSettings& settings) {
    if (settings == current && (http || !settings.enabled))
        return;
    current = settings;
    stop();
    if (current.enabled)
        start();
    reportStatus();
}

void RemoteControl::setEnabled(bool enabled) {
    RemoteSettings settings = current;
    settings.enabled = enabled;
    applySettings(settings);
}

void RemoteControl::start() {
    failure.clear();
    const QHostAddress host = remoteListenAddress(current.interfaceName);
    if (host.isNull()) {
        failure = L10n::lookup(QStringLiteral("Keine Netzwerkschnittstelle für die Fernbedienung"));
        return;
    }
    listener = new RemoteListener(
        limits.listener, [this](const QHostAddress& peer) { return guard.banned(peer); }, this);
    if (!listener->listen(host, current.httpPort)) {
        failure = L10n::format("Port %d ist belegt", {int(current.httpPort)});
        delete listener;
        return;
    }
    oscPort = osc.listen(host, current.oscPort);
    if (oscPort == 0) {
        failure = L10n::format("Port %d ist belegt", {int(current.oscPort)});
        delete listener;
        return;
    }
    token = RemoteGuard::freshToken();
    guard.setToken(token);
    oscGuard.setToken(token);
    http = new RemoteHttpServer(
        [this](const QHttpServerRequest& request, QTcpSocket* socket) { handle(request, socket); },
        this);
    http->bind(listener);
    connect(http, &QAbstractHttpServer::newWebSocketConnection, this,
            &RemoteControl::takeWebSockets);
    connect(listener, &RemoteListener::connectionCountChanged, this, &RemoteControl::reportStatus);
    address = QStringLiteral("http://%1:%2/?token=%3")
                  .arg(host.toString())
                  .arg(listener->serverPort())
                  .arg(QString::fromLatin1(token));
    phones.setTexts(phoneTexts());
    phones.setState(presenter);
}

void RemoteControl::stop() {
    // Closing the listening sockets first: from here on nothing new gets in.
    if (listener)
        listener->close();
    osc.close();
    oscPort = 0;
    phones.closeAll();
    images.clear();
    // Later, since a command may turn the switch off from within the server's own handler; the
    // listener (the server's child) and its sockets go with it.
    if (http)
        http->deleteLater();
    else if (listener)
        listener->deleteLater();
    http = nullptr;
    listener = nullptr;
    token.clear();
    guard.setToken({});
    oscGuard.setToken({});
    guard.reset();
    oscGuard.reset();
    address.clear();
}

void RemoteControl::setState(const RemoteState& state) {
    if (state == presenter)
        return;
    if (state.deckGeneration != presenter.deckGeneration)
        images.clear();
    presenter = state;
    phones.setState(presenter);
}

void RemoteControl::setImageProvider(ImageProvider provider) {
    images.setProvider(std::move(provider));
}

int RemoteControl::connectionCount() const {
    return listener ? listener->connectionCount() : 0;
}

RemoteStatus RemoteControl::status() const {
    RemoteStatus status;
    status.listening = bool(http);
    if (status.listening) {
        status.address = address;
        status.httpPort = listener->serverPort();
        status.oscPort = oscPort;
    }
    status.clients = phones.clients();
    status.controlling = phones.controllerName();
    return status;
}

void RemoteControl::reportStatus() {
    const RemoteStatus now = status();
    if (now == reported)
        return;
    reported = now;
    emit statusChanged();
}

void RemoteControl::takeWebSockets() {
    while (http && http->hasPendingWebSocketConnections()) {
        QWebSocket* socket = http->nextPendingWebSocketConnection().release();
        if (listener)
            listener->upgraded(socket->peerAddress(), socket->peerPort());
        phones.add(socket);
    }
}

void RemoteControl::handle(const QHttpServerRequest& request, QTcpSocket* socket) {
    // A client that does not read its answers is let go before more pile up.
    if (socket->bytesToWrite() > limits.backlogBytes) {
        socket->abort();
        return;
    }
    const auto method = request.method();
    if (method != QHttpServerRequest::Method::Get && method != QHttpServerRequest::Method::Post) {
        answerJson(socket, request, Status::MethodNotAllowed, error("method"));
        listener->requestDone(socket);
        return;
    }
    switch (guard.check(request.remoteAddress(), tokenOf(request))) {
    case RemoteGuard::Verdict::Banned:
        socket->abort();
        return;
    case RemoteGuard::Verdict::TooMany:
        answerJson(socket, request, Status::TooManyRequests, error("too many requests"));
        listener->requestDone(socket);
        return;
    case RemoteGuard::Verdict::WrongToken:
        answerJson(socket, request, Status::Unauthorized, error("token"));
        listener->requestDone(socket);
        return;
    case RemoteGuard::Verdict::Allowed:
        break;
    }
    const QString path = request.url().path();
    if (path == QLatin1String("/slide")) {
        serveSlide(request, socket);
        return;
    }
    if (path == QLatin1String("/"))
        answer(socket, request, Status::Ok, "text/html; charset=utf-8", page());
    else if (path == QLatin1String("/phone.css"))
        answer(socket, request, Status::Ok, "text/css", resource(QStringLiteral("phone.css")));
    else if (path == QLatin1String("/phone.js"))
        answer(socket, request, Status::Ok, "text/javascript",
               resource(QStringLiteral("phone.js")));
    else if (isApiStatePath(path))
        answerJson(socket, request, Status::Ok, apiStateJson(presenter));
    else if (const auto command = apiRequest(path); command && acceptable(*command)) {
        answerJson(socket, request, Status::Ok, {{QStringLiteral("ok"), true}});
        carryOut(*command);
    } else if (command)
        answerJson(socket, request, Status::BadRequest, error("slide"));
    else
        answerJson(socket, request, Status::NotFound, error("unknown"));
    // Carrying out a command may have turned the switch off.
    if (listener && socket->state() == QAbstractSocket::ConnectedState)
        listener->requestDone(socket);
}

void RemoteControl::serveSlide(const QHttpServerRequest& request, QTcpSocket* socket) {
    const QUrlQuery query(request.url());
    const qint64 page = query.queryItemValue(QStringLiteral("page")).toLongLong();
    const QSize pixels(query.queryItemValue(QStringLiteral("w")).toInt(),
                       query.queryItemValue(QStringLiteral("h")).toInt());
    // Only the pictures the phones show: nobody pages through the deck from the network.
    if ((page != presenter.currentPage && page != presenter.nextPage) || page < 0 ||
        pixels.isEmpty()) {
        answerJson(socket, request, Status::NotFound, error("slide"));
        listener->requestDone(socket);
        return;
    }
    // The answer goes out later; the request's own copy dies with this call.
    auto responder =
        std::make_shared<QHttpServerResponder>(RemoteHttpServer::makeResponder(request, socket));
    QPointer<QTcpSocket> alive(socket);
    QPointer<RemoteListener> front(listener);
    images.request(
        page, pixels, presenter.deckGeneration, [responder, alive, front](const QByteArray& jpeg) {
            if (!alive || alive->state() != QAbstractSocket::ConnectedState)
                return;
            responder->write(jpeg.isEmpty() ? QByteArray("{}") : jpeg,
                             {{"Content-Type", jpeg.isEmpty() ? "application/json" : "image/jpeg"},
                              {"Cache-Control", "no-store"},
                              {"X-Content-Type-Options", "nosniff"}},
                             jpeg.isEmpty() ? Status::ServiceUnavailable : Status::Ok);
            if (front)
                front->requestDone(alive);
        });
}

bool RemoteControl::acceptable(const RemoteRequest& request) const {
    return request.command != RemoteCommand::GoTo ||
           (request.slideNumber >= 1 && request.slideNumber <= presenter.slideCount);
}

void RemoteControl::carryOut(const RemoteRequest& request) {
    if (!acceptable(request))
        return;
    emit commandReceived(request.command,
                         request.command == RemoteCommand::GoTo ? request.slideNumber - 1 : -1);
}

void RemoteControl::oscReceived(const OscReceiver::Message& message) {
    if (!http)
        return;
    if (oscGuard.check(message.from, message.token) != RemoteGuard::Verdict::Allowed)
        return;
    if (message.request)
        carryOut(*message.request);
}

QByteArray RemoteControl::page() const {
    // The token has URL-safe letters only, so it goes into the page as it is.
    return resource(QStringLiteral("index.html"))
        .replace("@TOKEN@", token)
        .replace("@LANG@", L10n::current().toLatin1());
}
