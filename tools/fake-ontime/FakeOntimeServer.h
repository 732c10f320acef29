// A minimal HTTP server that answers like an Ontime server (either API generation) or like a
// Stagetimer desktop app's page, with its state and its misbehaviour set over /control.
#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QUrlQuery>
#include <optional>

class QTcpServer;
class QTcpSocket;

class FakeOntimeServer : public QObject {
    Q_OBJECT

public:
    struct Options {
        int generation = 3; // 3: api/version and api/poll; 1: ontime/info, ontime/poll;
                            // 0: 404 to everything (a web server that is not Ontime)
        QString version = QStringLiteral("4.11.0");
        int legacyServerPort = 4001; // what "ontime/info" claims, whatever the real port
        QString stagetimer;          // "v1" or "v0": serve a Stagetimer page instead of Ontime
    };

    explicit FakeOntimeServer(Options options, QObject* parent = nullptr);
    ~FakeOntimeServer() override;

    bool listen(const QHostAddress& address, quint16 port);
    // Stops listening and drops every open connection, as if the server had quit.
    void close();
    quint16 port() const;

    // The same keys as GET /control?...: playback, current, title, message, visible, blink,
    // secondary, source, external, misbehave ("", "500", "stall", "drip", "close", "garbage",
    // "endless", "redirect" to `location`).
    void setState(const QUrlQuery& query);
    // Requests seen per path (control requests not counted).
    int requestCount(const QString& path) const { return counts.value(path); }

private:
    void accept();
    void readRequest(QTcpSocket* socket);
    void respond(QTcpSocket* socket, const QString& path, const QUrlQuery& query);
    void misbehave(QTcpSocket* socket);
    QByteArray pollBody() const;
    QByteArray legacyPollBody() const;
    QByteArray stateBody() const;
    double currentMs() const;

    Options options;
    QTcpServer* server;

    QString playback = QStringLiteral("stop");
    std::optional<double> current;
    QElapsedTimer sinceCurrentSet;
    QString title;
    QString message;
    bool messageVisible = true;
    bool messageBlinks = false;
    QString secondary;
    QString secondarySource;
    QString external;
    QString misbehaviour;
    QString redirectTarget;
    QHash<QString, int> counts;
};
