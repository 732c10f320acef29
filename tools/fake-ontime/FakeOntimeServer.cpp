#include "FakeOntimeServer.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <cmath>

namespace {

constexpr qsizetype maxRequestBytes = 16 * 1024;

QByteArray reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 202:
        return "Accepted";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    default:
        return "Internal Server Error";
    }
}

void send(QTcpSocket* socket, int status, const QByteArray& contentType, const QByteArray& body) {
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) +
                      "\r\nContent-Type: " + contentType +
                      "\r\nContent-Length: " + QByteArray::number(body.size()) +
                      "\r\nConnection: close\r\n\r\n";
    socket->write(head + body);
    socket->disconnectFromHost();
}

void sendJson(QTcpSocket* socket, int status, const QJsonObject& object) {
    send(socket, status, "application/json; charset=utf-8",
         QJsonDocument(object).toJson(QJsonDocument::Compact));
}

bool isRunning(const QString& playback) {
    return playback == QLatin1String("play") || playback == QLatin1String("roll") ||
           playback == QLatin1String("start");
}

} // namespace

FakeOntimeServer::FakeOntimeServer(Options options, QObject* parent)
    : QObject(parent), options(std::move(options)), server(new QTcpServer(this)) {
    connect(server, &QTcpServer::newConnection, this, &FakeOntimeServer::accept);
    sinceCurrentSet.start();
}

FakeOntimeServer::~FakeOntimeServer() = default;

bool FakeOntimeServer::listen(const QHostAddress& address, quint16 port) {
    return server->listen(address, port);
}

void FakeOntimeServer::close() {
    server->close();
    for (QTcpSocket* socket : findChildren<QTcpSocket*>()) {
        socket->abort();
        socket->deleteLater();
    }
}

quint16 FakeOntimeServer::port() const {
    return server->serverPort();
}

double FakeOntimeServer::currentMs() const {
    if (!current)
        return 0;
    return isRunning(playback) ? *current - double(sinceCurrentSet.elapsed()) : *current;
}

void FakeOntimeServer::setState(const QUrlQuery& query) {
    const auto item = [&](const char* key) {
        return query.queryItemValue(QLatin1String(key), QUrl::FullyDecoded);
    };
    const auto has = [&](const char* key) { return query.hasQueryItem(QLatin1String(key)); };
    // Freeze the running countdown before the playback word changes.
    if (current)
        current = currentMs();
    sinceCurrentSet.restart();
    if (has("playback"))
        playback = item("playback");
    if (has("current")) {
        bool ok = false;
        const double value = item("current").toDouble(&ok);
        current = ok ? std::optional<double>(value) : std::nullopt;
    }
    if (has("title"))
        title = item("title");
    if (has("message"))
        message = item("message");
    if (has("visible"))
        messageVisible = item("visible") == QLatin1String("1");
    if (has("blink"))
        messageBlinks = item("blink") == QLatin1String("1");
    if (has("secondary"))
        secondary = item("secondary");
    if (has("source"))
        secondarySource = item("source");
    if (has("external"))
        external = item("external");
    if (has("misbehave"))
        misbehaviour = item("misbehave");
    if (has("location"))
        redirectTarget = item("location");
}

void FakeOntimeServer::accept() {
    while (QTcpSocket* socket = server->nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void FakeOntimeServer::readRequest(QTcpSocket* socket) {
    if (socket->property("handled").toBool()) {
        socket->readAll();
        return;
    }
    QByteArray buffered = socket->property("buffer").toByteArray() + socket->readAll();
    if (!buffered.contains("\r\n\r\n")) {
        if (buffered.size() > maxRequestBytes)
            socket->abort();
        else
            socket->setProperty("buffer", buffered);
        return;
    }
    socket->setProperty("handled", true);
    const QList<QByteArray> requestLine = buffered.left(buffered.indexOf("\r\n")).split(' ');
    if (requestLine.size() != 3 || requestLine[0] != "GET") {
        send(socket, 400, "text/plain", "Bad Request");
        return;
    }
    const QUrl target(QString::fromLatin1(requestLine[1]));
    const QString path = target.path().mid(1);
    const QUrlQuery query(target);
    if (path == QLatin1String("control")) {
        setState(query);
        send(socket, 200, "application/json", stateBody());
        return;
    }
    counts[path] += 1;
    if (!misbehaviour.isEmpty())
        return misbehave(socket);
    respond(socket, path, query);
}

void FakeOntimeServer::respond(QTcpSocket* socket, const QString& path, const QUrlQuery&) {
    if (options.stagetimer == QLatin1String("v1") || options.stagetimer == QLatin1String("v0")) {
        const bool answers =
            path == QLatin1String("api/v0/") ||
            (path == QLatin1String("api/v1/") && options.stagetimer == QLatin1String("v1"));
        if (answers && path == QLatin1String("api/v1/"))
            send(socket, 200, "application/json",
                 R"({"ok":true,"message":"Stagetimer desktop API v1"})");
        else if (answers)
            send(socket, 404, "text/html", "<html><body>STAGETIMER: no route</body></html>");
        else
            send(socket, 404, "text/plain", "Cannot GET /" + path.toUtf8());
        return;
    }
    if (options.generation == 3 && path == QLatin1String("api/version"))
        return sendJson(socket, 202, {{QStringLiteral("payload"), options.version}});
    if (options.generation == 3 && path == QLatin1String("api/poll"))
        return send(socket, 202, "application/json; charset=utf-8", pollBody());
    if (options.generation == 1 && path == QLatin1String("ontime/info"))
        return sendJson(socket, 200, {{QStringLiteral("serverPort"), options.legacyServerPort}});
    if (options.generation == 1 && path == QLatin1String("ontime/poll"))
        return send(socket, 200, "application/json", legacyPollBody());
    if (options.generation == 3 && path.startsWith(QLatin1String("ontime/")))
        return send(socket, 400, "text/html; charset=utf-8", "Unhandled request");
    send(socket, 404, "text/html", "<html><body>Not Found</body></html>");
}

void FakeOntimeServer::misbehave(QTcpSocket* socket) {
    if (misbehaviour == QLatin1String("500"))
        return send(socket, 500, "text/html",
                    "<!DOCTYPE html><html><body><h1>Internal Server Error</h1></body></html>");
    if (misbehaviour == QLatin1String("stall"))
        return;
    if (misbehaviour == QLatin1String("redirect")) {
        socket->write("HTTP/1.1 301 Moved Permanently\r\nLocation: " + redirectTarget.toUtf8() +
                      "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
        return;
    }
    if (misbehaviour == QLatin1String("close"))
        return socket->abort();
    if (misbehaviour == QLatin1String("garbage")) {
        socket->write("\x01\x02 this is not HTTP \xff\xfe\r\n\r\n");
        socket->disconnectFromHost();
        return;
    }
    if (misbehaviour == QLatin1String("drip")) {
        // Headers at once, then one byte of a long body every 100 ms.
        socket->write("HTTP/1.1 202 Accepted\r\nContent-Type: application/json\r\n"
                      "Content-Length: 1000000\r\nConnection: close\r\n\r\n{");
        auto* timer = new QTimer(socket);
        connect(timer, &QTimer::timeout, socket, [socket] { socket->write(" "); });
        timer->start(100);
        return;
    }
    if (misbehaviour == QLatin1String("endless")) {
        // A body without length that never ends; more is written whenever the last part left.
        socket->write("HTTP/1.1 202 Accepted\r\nContent-Type: application/json\r\n"
                      "Connection: close\r\n\r\n{\"payload\":\"");
        const QByteArray filler(64 * 1024, 'x');
        connect(socket, &QTcpSocket::bytesWritten, socket, [socket, filler] {
            if (socket->bytesToWrite() < filler.size())
                socket->write(filler);
        });
        socket->write(filler);
        return;
    }
    respond(socket, QString(), QUrlQuery());
}

QByteArray FakeOntimeServer::pollBody() const {
    QJsonObject timer{
        {QStringLiteral("playback"), playback},
        {QStringLiteral("current"), current ? QJsonValue(std::round(currentMs())) : QJsonValue()}};
    QJsonObject timerMessage{{QStringLiteral("text"), message},
                             {QStringLiteral("visible"), messageVisible && !message.isEmpty()},
                             {QStringLiteral("blink"), messageBlinks},
                             {QStringLiteral("blackout"), false},
                             {QStringLiteral("secondarySource"),
                              secondarySource.isEmpty() ? QJsonValue() : secondarySource}};
    QJsonObject messages{{QStringLiteral("timer"), timerMessage},
                         {QStringLiteral("secondary"), secondary}};
    if (!external.isEmpty())
        messages.insert(QStringLiteral("external"), QJsonObject{{QStringLiteral("text"), external},
                                                                {QStringLiteral("visible"), true}});
    const QJsonValue eventNow =
        title.isEmpty() ? QJsonValue() : QJsonObject{{QStringLiteral("title"), title}};
    const QTime now = QTime::currentTime();
    QJsonObject payload{{QStringLiteral("clock"), now.msecsSinceStartOfDay()},
                        {QStringLiteral("timer"), timer},
                        {QStringLiteral("message"), messages},
                        {QStringLiteral("eventNow"), eventNow},
                        {QStringLiteral("ping"), 1}};
    return QJsonDocument(QJsonObject{{QStringLiteral("payload"), payload}})
        .toJson(QJsonDocument::Compact);
}

QByteArray FakeOntimeServer::legacyPollBody() const {
    QJsonObject body{{QStringLiteral("playback"), playback}};
    if (current)
        body.insert(QStringLiteral("running"), currentMs() / 1000);
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

QByteArray FakeOntimeServer::stateBody() const {
    QJsonObject requests;
    for (auto it = counts.begin(); it != counts.end(); ++it)
        requests.insert(it.key(), it.value());
    return QJsonDocument(QJsonObject{{QStringLiteral("playback"), playback},
                                     {QStringLiteral("current"),
                                      current ? QJsonValue(currentMs()) : QJsonValue()},
                                     {QStringLiteral("misbehave"), misbehaviour},
                                     {QStringLiteral("requests"), requests}})
        .toJson(QJsonDocument::Compact);
}
