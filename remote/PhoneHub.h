// The phones connected over WebSocket: who is let in, who controls, the state pushed to each as
// it changes, and the bounds that keep a broken or hostile phone from costing the program.
#pragma once

#include "remote/RemoteCommands.h"
#include "remote/RemoteGuard.h"
#include "remote/RemoteTypes.h"

#include <QJsonObject>
#include <QObject>
#include <QTimer>
#include <functional>
#include <vector>

class QWebSocket;

class PhoneHub : public QObject {
    Q_OBJECT
public:
    struct Limits {
        int phones = 16;
        qint64 messageBytes = 4096;    // a phone sends short commands only
        qint64 backlogBytes = 4 << 20; // unsent bytes to a phone that does not read
        int pingMs = 10'000;
        int silenceMs = 30'000; // without a pong or a message: the phone is gone
    };

    PhoneHub(RemoteGuard& guard, Limits limits, QObject* parent = nullptr);
    ~PhoneHub() override;

    // Keeps a phone whose WebSocket address carries the token; closes anything else at once.
    void add(QWebSocket* socket);
    void setState(const RemoteState& state);
    // The page's button and label texts in the program's language.
    void setTexts(const QJsonObject& texts);
    void closeAll();

    QList<RemoteClient> clients() const;
    QString controllerName() const;

signals:
    // A command from the controlling phone; GoTo carries the one-based slide number.
    void requested(RemoteRequest request);
    void clientsChanged();

private:
    struct Phone {
        QWebSocket* socket;
        int id;
        QString name;
        qint64 lastHeardMs;
    };

    void receive(QWebSocket* socket, const QString& message);
    void send(Phone& phone, const QByteArray& message);
    void sendControl(Phone& phone);
    void drop(QWebSocket* socket);
    void forEachPhone(const std::function<void(Phone&)>& action);
    void keepAlive();
    Phone* find(QWebSocket* socket);

    RemoteGuard& guard;
    Limits limits;
    std::vector<Phone> phones;
    int controllerId = 0;
    int nextId = 1;
    QByteArray stateMessage;
    QJsonObject texts;
    QTimer pinger;
};
