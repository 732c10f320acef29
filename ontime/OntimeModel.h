// The Ontime link's state: which server is polled, what it reported, and the network search.
#pragma once

#include "net/Clock.h"
#include "net/Http.h"
#include "net/LinkTrouble.h"
#include "ontime/Discovery.h"
#include "ontime/OntimeWire.h"

#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// Lives on the main thread; every field changes there and the published ones signal it.
// Tasks (poll loop, search or reconnect, connect by host) are small state machines owned here;
// a cancelled task never writes state.
class OntimeModel : public QObject {
    Q_OBJECT

public:
    // Production: the shared network transport and the system clock.
    explicit OntimeModel(QObject* parent = nullptr);
    // Tests: a scripted transport and a manual clock, both outliving the model.
    OntimeModel(HttpTransport& transport, Clock& clock, QObject* parent = nullptr);
    ~OntimeModel() override;

    static constexpr int defaultPort = 4001;
    static constexpr int stagetimerPort = 3000;
    // "ontimePort" as stored if positive, else 4001; read afresh at every use.
    static int configuredPort();
    // The countdown text shared by both external timer blocks: 00:01, 1:00:00, -00:01.
    static QString format(double ms);

    // Published fields.
    const std::optional<OntimeServer>& server() const { return server_; }
    const QList<OntimeServer>& found() const { return found_; }
    const QString& status() const { return status_; }
    // The status names a failure (a lost link, no server found), not progress.
    bool linkFailed() const { return linkFailed_; }
    // Whether the chosen server keeps failing; it stays through the reconnection attempts until
    // a poll answers or the link is switched off.
    LinkTrouble trouble() const { return connected_ ? LinkTrouble::none : trouble_; }
    const QString& scanInfo() const { return scanInfo_; }
    bool scanning() const { return scanning_; }
    double scanProgress() const { return scanProgress_; }
    bool connected() const { return connected_; }
    const QList<StagetimerDesktop>& stagetimersFound() const { return stagetimersFound_; }

    // Read by the periodic update.
    std::optional<double> current() const { return current_; }
    const QString& playback() const { return playback_; }
    const QString& eventTitle() const { return eventTitle_; }
    const QString& timerMessage() const { return timerMessage_; }
    bool timerMessageBlinks() const { return timerMessageBlinks_; }
    const QString& secondaryMessage() const { return secondaryMessage_; }
    double pollTime() const { return pollTime_; }
    // Time left in milliseconds, running on between polls while the timer plays.
    std::optional<double> remainingMs() const;

    // Called when a search that offers a choice found servers or apps.
    std::function<void(const QList<OntimeServer>&, const QList<StagetimerDesktop>&)> onChoice;
    // Called after a server has been chosen.
    std::function<void()> onConnected;
    // The interfaces a search scans; tests put in their own.
    std::function<QList<Discovery::Interface>()> listInterfaces = Discovery::localIPv4;

    // Reconnects if the link was enabled when the program last ran.
    void start();
    void search(bool autoConnect, bool offerChoice);
    // Probes a typed host on the configured port and connects if Ontime answers there.
    void connectToHost(const QString& host);
    void connectTo(const OntimeServer& server);
    // Stops polling and searching and forgets the server.
    void disconnectServer();

signals:
    void serverChanged();
    void foundChanged();
    void statusChanged();
    void scanInfoChanged();
    void scanningChanged();
    void scanProgressChanged();
    void connectedChanged();
    void stagetimersFoundChanged();
    void enabledChanged(); // "ontimeEnabled" was written

private:
    class Task;
    class PollTask;
    class SearchTask;
    class HostTask;

    void reconnect();
    void startSearchTask(bool autoConnect, bool offerChoice, bool probeStoredHostFirst);
    void cancelScanTask();
    void cancelPollTask();
    void setEnabled(bool enabled);
    void applyPoll(const PollResponse& response);
    void applyLegacyPoll(const LegacyPoll& response);

    void setServer(const std::optional<OntimeServer>& value);
    void setFound(const QList<OntimeServer>& value);
    void setStatus(const QString& value, bool failure = false);
    void setScanInfo(const QString& value);
    void setScanning(bool value);
    void setScanProgress(double value);
    void setConnected(bool value);
    void setStagetimersFound(const QList<StagetimerDesktop>& value);

    std::unique_ptr<HttpTransport> ownedTransport;
    std::unique_ptr<Clock> ownedClock;
    HttpTransport& transport;
    Clock& clock;

    std::optional<OntimeServer> server_;
    QList<OntimeServer> found_;
    QString status_;
    bool linkFailed_ = false;
    LinkTrouble trouble_ = LinkTrouble::none;
    QString scanInfo_;
    bool scanning_ = false;
    double scanProgress_ = 0;
    bool connected_ = false;
    QList<StagetimerDesktop> stagetimersFound_;

    std::optional<double> current_;
    QString playback_;
    QString eventTitle_;
    QString timerMessage_;
    bool timerMessageBlinks_ = false;
    QString secondaryMessage_;
    double pollTime_ = 0;

    std::shared_ptr<Task> pollTask;
    std::shared_ptr<Task> scanTask;
    std::vector<std::shared_ptr<Task>> hostTasks;
};
