// A minimal HTTP server that answers like a Stagetimer desktop app and misbehaves on request.
#pragma once

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTcpServer>

class QTcpSocket;

class FakeStagetimer : public QObject {
public:
    struct Message {
        bool showing = false;
        QString text;
        QString color = QStringLiteral("white");
    };

    // Fault names, used alike by tests, the command line and the control path:
    // "401", "403", "404", "404-json", "429", "500-html", "503-json", "stall" (never answers),
    // "garbage" (bytes that are no HTTP), "garbage-body" (200 that is no JSON),
    // "null-data" (200 with "data": null and a message), "wrong-type" (200, "running" a string).
    static const QStringList faultNames;

    FakeStagetimer(const QString& room, const QString& key, QObject* parent = nullptr);

    bool listen(const QHostAddress& address, quint16 port);
    quint16 port() const { return server.serverPort(); }

    // An app too old for API v1: it answers only the "api/v0/" page.
    void setV0Only(bool value) { v0Only = value; }
    // The path prefixes under which the API answers; a desktop app serves all three.
    void setPrefixes(const QStringList& value) { prefixes = value; }
    // Server clock minus the real clock, in milliseconds.
    void setClockSkew(qint64 ms) { skewMs = ms; }
    void setRunning(qint64 remainingMs);
    void setPaused(qint64 remainingMs);
    void setStopped(qint64 durationMs);
    void setTimer(const QString& id, const QString& name);
    void setMessages(const QList<Message>& value) { messages = value; }
    // An empty name answers properly again.
    bool setFault(const QString& name);

    // "PATH?QUERY" of every API request, in arrival order.
    const QStringList& requestLog() const { return log; }

private:
    struct Answer {
        int status = 200;
        QByteArray contentType = "application/json";
        QByteArray body;
    };

    void accept();
    void readRequest(QTcpSocket* socket);
    void handle(QTcpSocket* socket, const QByteArray& target, const QByteArray& authorization);
    Answer control(const QString& path, const QString& query);
    Answer api(const QString& endpoint, const QString& query, const QByteArray& authorization);
    Answer faultAnswer() const;
    static void send(QTcpSocket* socket, const Answer& answer);
    qint64 serverNow() const;

    QTcpServer server;
    QString room;
    QString key;
    bool v0Only = false;
    QStringList prefixes{QStringLiteral("/api/v1"), QStringLiteral("/v1"), QString()};
    qint64 skewMs = 0;
    bool running = true;
    qint64 startMs = 0;
    qint64 finishMs = 0;
    qint64 pauseMs = 0;
    QString timerId = QStringLiteral("6f1c0a2e9b");
    QString timerName = QStringLiteral("Keynote");
    QList<Message> messages;
    QString fault;
    QStringList log;
};
