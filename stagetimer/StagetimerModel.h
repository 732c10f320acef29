// The link to one Stagetimer room: settings, connection across base addresses, polling and the
// locally computed countdown.
#pragma once

#include "net/Clock.h"
#include "net/Http.h"
#include "net/LinkTrouble.h"
#include "stagetimer/StagetimerApi.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class StagetimerModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString status READ status NOTIFY statusChanged)
    Q_PROPERTY(bool connected READ connected NOTIFY connectedChanged)
    Q_PROPERTY(bool connecting READ connecting NOTIFY connectingChanged)

public:
    template <class Payload> using Result = StagetimerResult<Payload>;

    static constexpr int pollIntervalMs = 1500;
    static constexpr int failuresBeforeLost = 3;
    // Waits before a failed connection attempt starts again; the last one repeats.
    static constexpr int retryDelaysMs[] = {2000, 4000, 8000, 16000, 30000};

    // Production passes nothing: the network transport and the system clock.
    explicit StagetimerModel(std::shared_ptr<HttpTransport> transport = nullptr,
                             std::shared_ptr<Clock> clock = nullptr, QObject* parent = nullptr);
    ~StagetimerModel() override;

    QString status() const { return currentStatus; }
    // The status names a failure (a refused key, a lost or unreachable server), not progress.
    bool linkFailed() const { return statusIsFailure; }
    // Whether the room keeps failing: lost once it had answered, else unreachable; none for a
    // refused key, which the status names.
    LinkTrouble trouble() const;
    bool connected() const { return isConnected; }
    bool connecting() const { return isConnecting; }
    bool running() const { return isRunning; }
    bool paused() const { return !isRunning && pauseAt.value_or(0) > 0; }
    QString timerName() const { return currentTimerName; }
    QString message() const { return currentMessage; }
    std::optional<double> finish() const { return finishAt; }
    std::optional<double> pause() const { return pauseAt; }
    std::optional<double> startTime() const { return startAt; }
    double clockOffset() const { return offsetMs; }
    QString base() const { return activeBase; }
    std::optional<QString> timerID() const { return currentTimerID; }
    std::optional<QString> namedTimerID() const { return timerIDOfName; }
    int lastHTTPCode() const { return lastCode; }

    // Settings in the preferences; setters drop leading and trailing spaces and tabs.
    QString roomID() const;
    QString apiKey() const;
    QString server() const;
    void setRoomID(const QString& value);
    void setApiKey(const QString& value);
    void setServer(const QString& value);

    QStringList candidates() const;
    // Milliseconds left on the room's timer, negative in overtime; empty when nothing is known.
    std::optional<double> remainingMs() const;

    // Reconnects at launch when the link was enabled and the room and key are known.
    void start();
    // Starts a connection attempt that turns into the poll loop; returns at once.
    void connectRoom();
    // Ends the link: the running task stops without writing anything more.
    void disconnectRoom();

    // One request to `base`; `done` runs later on the main thread unless the call is cancelled.
    template <class Payload>
    std::shared_ptr<HttpCall> get(const QString& path, const QString& base, const QString& extra,
                                  std::function<void(const Result<Payload>&)> done);

    // Called after every successful connection attempt.
    std::function<void()> onConnected;

signals:
    void statusChanged();
    void connectedChanged();
    void connectingChanged();
    // The settings or "stagetimerEnabled" changed.
    void settingsChanged();

private:
    struct Task;

    void setStatus(const QString& text, bool failure = false);
    void setConnected(bool value);
    void setConnecting(bool value);
    void setEnabled(bool value);
    void storeSetting(const QString& key, const QString& value);
    void cancelTask();

    void tryBase(const std::shared_ptr<Task>& task);
    void baseAnswered(const std::shared_ptr<Task>& task, const Result<STStatus>& result);
    void retryLater(const std::shared_ptr<Task>& task);
    void forgetRoomTexts();
    void apply(const STStatus& status);
    void pollCycle(const std::shared_ptr<Task>& task);
    void pollStatus(const std::shared_ptr<Task>& task);
    void statusPolled(const std::shared_ptr<Task>& task, const Result<STStatus>& result);
    void endCycle(const std::shared_ptr<Task>& task);

    std::shared_ptr<HttpTransport> transport;
    std::shared_ptr<Clock> clock;

    QString currentStatus;
    bool statusIsFailure = false;
    bool isConnected = false;
    // The current attempt reached the room once.
    bool wasConnected = false;
    // The current attempt ended on the key or the settings, which the speaker has to change.
    bool settingsRefused = false;
    bool isConnecting = false;
    bool isRunning = false;
    QString currentTimerName;
    QString currentMessage;
    std::optional<double> finishAt;
    std::optional<double> pauseAt;
    std::optional<double> startAt;
    double offsetMs = 0;
    QString activeBase;
    std::optional<QString> currentTimerID;
    std::optional<QString> timerIDOfName;
    std::shared_ptr<Task> pollTask;
    int lastCode = 0;
};
