// The remote control: the speaker's phones (a page and a WebSocket) and the stage's control
// desks (an HTTP API and OSC), behind one token, turned on and off by one switch. The program
// gives it the presenter's state and slide pictures and acts on the commands it reports.
#pragma once

#include "net/Clock.h"
#include "remote/OscReceiver.h"
#include "remote/PhoneHub.h"
#include "remote/RemoteGuard.h"
#include "remote/RemoteListener.h"
#include "remote/RemoteTypes.h"
#include "remote/SlideImages.h"

#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <memory>

class QHttpServerRequest;
class QTcpSocket;
class RemoteHttpServer;

class RemoteControl : public QObject {
    Q_OBJECT
public:
    using ImageProvider = SlideImages::Provider;

    // Every bound in one place; tests shorten the times.
    struct Limits {
        RemoteGuard::Limits guard;
        RemoteGuard::Limits oscGuard;
        RemoteListener::Limits listener;
        PhoneHub::Limits phones;
        SlideImages::Limits images;
        qint64 backlogBytes = 4 << 20; // unsent answer bytes on one HTTP connection
    };

    // Production passes nothing: the system clock and the default limits.
    explicit RemoteControl(QObject* parent = nullptr);
    RemoteControl(std::shared_ptr<Clock> clock, Limits limits, QObject* parent = nullptr);
    ~RemoteControl() override;

    // Starts, restarts or stops listening to match; a fresh token each time it starts.
    void applySettings(const RemoteSettings& settings);
    // The menu's switch: for this run only, the other settings kept.
    void setEnabled(bool enabled);
    RemoteSettings settings() const { return current; }

    void setState(const RemoteState& state);
    // Asked on the main thread for the current and next slide at a phone's pixel size.
    void setImageProvider(ImageProvider provider);

    RemoteStatus status() const;
    // The automation's "remote" object: exactly the status's facts.
    QJsonObject automationState() const { return status().toJson(); }
    // HTTP and WebSocket connections open now; never more than the limits allow.
    int connectionCount() const;
    // Why the switch is on but nothing listens (no interface, a port taken); empty otherwise.
    QString problem() const { return failure; }

signals:
    // A command to carry out; for GoTo `slideIndex` is zero-based and within the deck, else -1.
    void commandReceived(RemoteCommand command, int slideIndex);
    void statusChanged();

private:
    void start();
    void stop();
    void handle(const QHttpServerRequest& request, QTcpSocket* socket);
    void serveSlide(const QHttpServerRequest& request, QTcpSocket* socket);
    void takeWebSockets();
    void carryOut(const RemoteRequest& request);
    bool acceptable(const RemoteRequest& request) const;
    void oscReceived(const OscReceiver::Message& message);
    QByteArray page() const;
    void reportStatus();

    std::shared_ptr<Clock> clock;
    Limits limits;
    RemoteSettings current;
    RemoteState presenter;
    RemoteGuard guard;
    RemoteGuard oscGuard; // apart, so forged UDP senders cannot lock phones or HTTP desks out
    QByteArray token;
    QString address;
    QString failure;
    quint16 oscPort = 0;
    QPointer<RemoteHttpServer> http;
    QPointer<RemoteListener> listener;
    PhoneHub phones;
    SlideImages images;
    OscReceiver osc;
    RemoteStatus reported;
};
