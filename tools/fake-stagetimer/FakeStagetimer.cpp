#include "FakeStagetimer.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QUrlQuery>

namespace {

constexpr qsizetype maxRequestBytes = 64 * 1024;

QByteArray json(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray failureBody(const QString& message) {
    return json({{QStringLiteral("ok"), false}, {QStringLiteral("message"), message}});
}

QByteArray reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 429:
        return "Too Many Requests";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

const QByteArray appPage = "<!DOCTYPE html><html><head><title>Stagetimer</title></head>"
                           "<body><div id=\"app\">Stagetimer desktop app</div></body></html>";

} // namespace

const QStringList FakeStagetimer::faultNames{
    QStringLiteral("401"),          QStringLiteral("403"),       QStringLiteral("404"),
    QStringLiteral("404-json"),     QStringLiteral("429"),       QStringLiteral("500-html"),
    QStringLiteral("503-json"),     QStringLiteral("stall"),     QStringLiteral("garbage"),
    QStringLiteral("garbage-body"), QStringLiteral("null-data"), QStringLiteral("wrong-type")};

FakeStagetimer::FakeStagetimer(const QString& room, const QString& key, QObject* parent)
    : QObject(parent), room(room), key(key) {
    QObject::connect(&server, &QTcpServer::newConnection, this, &FakeStagetimer::accept);
    setRunning(10 * 60 * 1000);
}

bool FakeStagetimer::listen(const QHostAddress& address, quint16 port) {
    return server.listen(address, port);
}

qint64 FakeStagetimer::serverNow() const {
    return QDateTime::currentMSecsSinceEpoch() + skewMs;
}

void FakeStagetimer::setRunning(qint64 remainingMs) {
    running = true;
    finishMs = serverNow() + remainingMs;
    startMs = finishMs - std::max<qint64>(remainingMs, 0) - 60'000;
    pauseMs = 0;
}

void FakeStagetimer::setPaused(qint64 remainingMs) {
    running = false;
    pauseMs = serverNow();
    finishMs = pauseMs + remainingMs;
    startMs = pauseMs - 60'000;
}

void FakeStagetimer::setStopped(qint64 durationMs) {
    running = false;
    pauseMs = 0;
    startMs = serverNow();
    finishMs = startMs + durationMs;
}

void FakeStagetimer::setTimer(const QString& id, const QString& name) {
    timerId = id;
    timerName = name;
}

bool FakeStagetimer::setFault(const QString& name) {
    if (!name.isEmpty() && !faultNames.contains(name))
        return false;
    fault = name;
    return true;
}

void FakeStagetimer::accept() {
    while (QTcpSocket* socket = server.nextPendingConnection()) {
        socket->setParent(this);
        QObject::connect(socket, &QTcpSocket::readyRead, this,
                         [this, socket] { readRequest(socket); });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void FakeStagetimer::readRequest(QTcpSocket* socket) {
    // Reads up to the end of the head; the property keeps what arrived so far.
    QByteArray head = socket->property("head").toByteArray() + socket->readAll();
    const qsizetype end = head.indexOf("\r\n\r\n");
    if (end < 0) {
        if (head.size() > maxRequestBytes)
            socket->abort();
        else
            socket->setProperty("head", head);
        return;
    }
    QObject::disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    const QList<QByteArray> lines = head.left(end).split('\n');
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    if (requestLine.size() < 2 || requestLine.at(0) != "GET") {
        send(socket, {405, "text/plain", "GET only"});
        return;
    }
    QByteArray authorization;
    for (const QByteArray& line : lines.mid(1)) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == "authorization")
            authorization = line.mid(colon + 1).trimmed();
    }
    handle(socket, requestLine.at(1), authorization);
}

void FakeStagetimer::handle(QTcpSocket* socket, const QByteArray& target,
                            const QByteArray& authorization) {
    const qsizetype mark = target.indexOf('?');
    const QString path = QString::fromUtf8(mark < 0 ? target : target.left(mark));
    const QString query = mark < 0 ? QString() : QString::fromUtf8(target.mid(mark + 1));

    if (path.startsWith(QLatin1String("/control/"))) {
        send(socket, control(path.mid(9), query));
        return;
    }
    if (path == QLatin1String("/api/v0/") || (path == QLatin1String("/api/v1/") && !v0Only)) {
        send(socket, {200, "text/html; charset=utf-8", appPage});
        return;
    }
    for (const QString& endpoint : {QStringLiteral("get_status"), QStringLiteral("get_timer"),
                                    QStringLiteral("get_all_messages")}) {
        const QString suffix = QLatin1Char('/') + endpoint;
        if (v0Only || !path.endsWith(suffix) || !prefixes.contains(path.chopped(suffix.size())))
            continue;
        log.append(path + QLatin1Char('?') + query);
        if (fault == QLatin1String("stall"))
            return;
        if (fault == QLatin1String("garbage")) {
            socket->write("\x01\x02 this is no HTTP answer \xff\r\n\r\n");
            socket->disconnectFromHost();
            return;
        }
        send(socket, fault.isEmpty() ? api(endpoint, query, authorization) : faultAnswer());
        return;
    }
    send(socket, {404, "text/html; charset=utf-8",
                  "<!DOCTYPE html><pre>Cannot GET " + path.toHtmlEscaped().toUtf8() + "</pre>"});
}

FakeStagetimer::Answer FakeStagetimer::control(const QString& path, const QString& query) {
    const QUrlQuery items(query);
    auto item = [&](const char* name) {
        return items.queryItemValue(QLatin1String(name), QUrl::FullyDecoded);
    };
    if (path == QLatin1String("timer")) {
        const QString state = item("state");
        const qint64 ms = item("ms").toLongLong();
        if (state == QLatin1String("running"))
            setRunning(ms);
        else if (state == QLatin1String("paused"))
            setPaused(ms);
        else if (state == QLatin1String("stopped"))
            setStopped(ms);
        if (items.hasQueryItem(QStringLiteral("id")))
            setTimer(item("id"), item("name"));
    } else if (path == QLatin1String("message")) {
        // The room's shape: a message that is not shown, then the one on the displays.
        messages = {Message{false, QStringLiteral("Hidden note")}};
        if (!item("text").isEmpty())
            messages.append(Message{true, item("text"), QStringLiteral("red")});
    } else if (path == QLatin1String("fault")) {
        if (!setFault(item("kind")))
            return {400, "text/plain", "unknown fault"};
    } else if (path == QLatin1String("skew")) {
        setClockSkew(item("ms").toLongLong());
    } else {
        return {404, "text/plain", "unknown control"};
    }
    return {200, "text/plain", "ok"};
}

FakeStagetimer::Answer FakeStagetimer::api(const QString& endpoint, const QString& query,
                                           const QByteArray& authorization) {
    if (authorization != "Bearer " + key.toUtf8())
        return {401, "application/json", failureBody(QStringLiteral("Invalid API key"))};
    const QUrlQuery items(query);
    if (items.queryItemValue(QStringLiteral("room_id"), QUrl::FullyDecoded) != room)
        return {404, "application/json", failureBody(QStringLiteral("Room not found"))};

    QJsonObject body{{QStringLiteral("ok"), true}};
    if (endpoint == QLatin1String("get_status")) {
        body.insert(QStringLiteral("message"), QStringLiteral("Playback status loaded"));
        body.insert(QStringLiteral("data"),
                    QJsonObject{{QStringLiteral("_model"), QStringLiteral("playback_status")},
                                {QStringLiteral("timer_id"), timerId},
                                {QStringLiteral("running"), running},
                                {QStringLiteral("start"), double(startMs)},
                                {QStringLiteral("finish"), double(finishMs)},
                                {QStringLiteral("pause"), double(pauseMs)},
                                {QStringLiteral("server_time"), double(serverNow())}});
    } else if (endpoint == QLatin1String("get_timer")) {
        if (items.queryItemValue(QStringLiteral("timer_id"), QUrl::FullyDecoded) != timerId)
            return {404, "application/json", failureBody(QStringLiteral("Timer not found"))};
        body.insert(QStringLiteral("message"), QStringLiteral("Timer loaded"));
        body.insert(QStringLiteral("data"), QJsonObject{{QStringLiteral("_id"), timerId},
                                                        {QStringLiteral("name"), timerName}});
    } else {
        // The live API sends the list itself as "data".
        QJsonArray list;
        for (const Message& message : messages)
            list.append(QJsonObject{{QStringLiteral("showing"), message.showing},
                                    {QStringLiteral("text"), message.text},
                                    {QStringLiteral("color"), message.color}});
        body.insert(QStringLiteral("message"), QStringLiteral("Messages loaded"));
        body.insert(QStringLiteral("data"), list);
    }
    return {200, "application/json", json(body)};
}

FakeStagetimer::Answer FakeStagetimer::faultAnswer() const {
    if (fault == QLatin1String("401"))
        return {401, "application/json", failureBody(QStringLiteral("Invalid API key"))};
    if (fault == QLatin1String("403"))
        return {403, "application/json", failureBody(QStringLiteral("Forbidden"))};
    if (fault == QLatin1String("404"))
        return {404, "text/html", "<!DOCTYPE html><pre>Cannot GET</pre>"};
    if (fault == QLatin1String("404-json"))
        return {404, "application/json", failureBody(QStringLiteral("Room not found"))};
    if (fault == QLatin1String("429"))
        return {429, "application/json", failureBody(QStringLiteral("Too many requests"))};
    if (fault == QLatin1String("500-html"))
        return {500, "text/html", "<html><body><h1>Internal Server Error</h1></body></html>"};
    if (fault == QLatin1String("503-json"))
        return {503, "application/json", failureBody(QStringLiteral("Down for maintenance"))};
    if (fault == QLatin1String("garbage-body"))
        return {200, "application/json", "{\"ok\": tru"};
    if (fault == QLatin1String("null-data"))
        return {200, "application/json",
                "{\"ok\":false,\"message\":\"Timer is being edited\",\"data\":null}"};
    // "wrong-type": "running" as a string makes the whole answer undecodable.
    return {200, "application/json",
            "{\"ok\":true,\"message\":\"Playback status loaded\",\"data\":{\"running\":\"yes\"}}"};
}

void FakeStagetimer::send(QTcpSocket* socket, const Answer& answer) {
    QByteArray out = "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + reason(answer.status) +
                     "\r\nContent-Type: " + answer.contentType +
                     "\r\nContent-Length: " + QByteArray::number(answer.body.size()) +
                     "\r\nConnection: close\r\n\r\n" + answer.body;
    socket->write(out);
    socket->disconnectFromHost();
}
