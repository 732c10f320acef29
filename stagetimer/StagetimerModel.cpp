#include "stagetimer/StagetimerModel.h"

#include "base/L10n.h"
#include "base/Preferences.h"
#include "net/Json.h"

#include <QPointer>

#include <algorithm>
#include <iterator>

namespace {

const QString roomKey = QStringLiteral("stagetimerRoom");
const QString apiKeyKey = QStringLiteral("stagetimerKey");
const QString serverKey = QStringLiteral("stagetimerServer");
const QString enabledKey = QStringLiteral("stagetimerEnabled");

// Spaces and tabs only: a line break is kept as the user entered it.
QString trimSpacesAndTabs(const QString& value) {
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    qsizetype first = 0;
    qsizetype last = value.size();
    while (first < last && blank(value.at(first)))
        ++first;
    while (last > first && blank(value.at(last - 1)))
        --last;
    return value.mid(first, last - first);
}

// A request that was refused before sending still answers later, like every other request.
class DeferredFailure : public HttpCall {
public:
    explicit DeferredFailure(std::shared_ptr<ClockTimer> timer) : timer(std::move(timer)) {}
    void cancel() override { timer->cancel(); }

private:
    std::shared_ptr<ClockTimer> timer;
};

} // namespace

// One connection attempt and the poll loop it turns into. Cancelled, it never runs again; the
// model drops it, which also cancels the request or sleep in progress.
struct StagetimerModel::Task {
    bool cancelled = false;
    std::shared_ptr<HttpCall> call;
    std::shared_ptr<ClockTimer> sleep;

    QStringList bases;
    qsizetype baseIndex = 0;
    QString lastError;
    int retries = 0;

    int cycle = 0;
    int failures = 0;

    ~Task() { cancel(); }
    void cancel() {
        cancelled = true;
        if (call)
            call->cancel();
        if (sleep)
            sleep->cancel();
    }
};

StagetimerModel::StagetimerModel(std::shared_ptr<HttpTransport> transport,
                                 std::shared_ptr<Clock> clock, QObject* parent)
    : QObject(parent),
      transport(transport ? std::move(transport) : std::make_shared<NetworkHttpTransport>()),
      clock(clock ? std::move(clock) : std::make_shared<SystemClock>()),
      currentStatus(L10n::lookup("Nicht verbunden")) {}

StagetimerModel::~StagetimerModel() {
    cancelTask();
}

QString StagetimerModel::roomID() const {
    return Preferences::text(roomKey);
}
QString StagetimerModel::apiKey() const {
    return Preferences::text(apiKeyKey);
}
QString StagetimerModel::server() const {
    return Preferences::text(serverKey);
}
void StagetimerModel::setRoomID(const QString& value) {
    storeSetting(roomKey, value);
}
void StagetimerModel::setApiKey(const QString& value) {
    storeSetting(apiKeyKey, value);
}
void StagetimerModel::setServer(const QString& value) {
    storeSetting(serverKey, value);
}

void StagetimerModel::storeSetting(const QString& key, const QString& value) {
    Preferences::setValue(key, trimSpacesAndTabs(value));
    emit settingsChanged();
}

QStringList StagetimerModel::candidates() const {
    return StagetimerApi::candidates(server());
}

std::optional<double> StagetimerModel::remainingMs() const {
    if (!isConnected || !finishAt)
        return std::nullopt;
    if (isRunning)
        return *finishAt - (clock->nowMs() + offsetMs);
    if (pauseAt && *pauseAt > 0)
        return *finishAt - *pauseAt;
    if (startAt && *startAt > 0)
        return *finishAt - *startAt;
    return std::nullopt;
}

LinkTrouble StagetimerModel::trouble() const {
    // A refused key or invalid settings are the setup's to say, not a failing link.
    if (isConnected || !statusIsFailure || settingsRefused)
        return LinkTrouble::none;
    return wasConnected ? LinkTrouble::lost : LinkTrouble::unreachable;
}

void StagetimerModel::start() {
    if (Preferences::flag(enabledKey) && !roomID().isEmpty() && !apiKey().isEmpty())
        connectRoom();
}

void StagetimerModel::connectRoom() {
    if (roomID().isEmpty() || apiKey().isEmpty()) {
        setStatus(L10n::lookup("Bitte Raum-ID und API-Key eingeben"));
        return;
    }
    cancelTask();
    wasConnected = false;
    settingsRefused = false;
    setConnecting(true);
    setConnected(false);
    forgetRoomTexts();
    setStatus(L10n::lookup("Verbinde mit Stagetimer …"));

    auto task = std::make_shared<Task>();
    task->lastError = L10n::lookup("Server nicht erreichbar");
    task->bases = candidates();
    pollTask = task;
    tryBase(task);
}

void StagetimerModel::forgetRoomTexts() {
    currentMessage.clear();
    currentTimerName.clear();
    timerIDOfName.reset();
}

void StagetimerModel::disconnectRoom() {
    cancelTask();
    wasConnected = false;
    settingsRefused = false;
    setConnecting(false);
    setConnected(false);
    setEnabled(false);
    forgetRoomTexts();
    finishAt.reset();
    setStatus(L10n::lookup("Nicht verbunden"));
}

void StagetimerModel::cancelTask() {
    if (pollTask) {
        pollTask->cancel();
        pollTask.reset();
    }
}

void StagetimerModel::tryBase(const std::shared_ptr<Task>& task) {
    std::weak_ptr<Task> weak = task;
    task->call = get<STStatus>(QStringLiteral("get_status"), task->bases.at(task->baseIndex), {},
                               [this, weak](const Result<STStatus>& result) {
                                   auto task = weak.lock();
                                   if (task && !task->cancelled)
                                       baseAnswered(task, result);
                               });
}

void StagetimerModel::baseAnswered(const std::shared_ptr<Task>& task,
                                   const Result<STStatus>& result) {
    if (!result.succeeded()) {
        // A 404 from a later base must not hide a different error of an earlier one.
        if (lastCode != 404 || task->lastError == L10n::lookup("Server nicht erreichbar"))
            task->lastError = result.failure;
        const bool keyRefused = lastCode == 401 || lastCode == 403;
        const bool refused = keyRefused || lastCode == 429;
        if (!refused && ++task->baseIndex < task->bases.size()) {
            tryBase(task);
            return;
        }
        // Only a refused key needs the user; anything else may be a server still starting.
        if (!keyRefused && !result.settingsInvalid)
            return retryLater(task);
        pollTask.reset();
        setConnecting(false);
        settingsRefused = true;
        setStatus(L10n::format("Stagetimer: %@", {task->lastError}), true);
        return;
    }
    activeBase = task->bases.at(task->baseIndex);
    setEnabled(true);
    setConnecting(false);
    apply(*result.payload);
    Preferences::setValue(QStringLiteral("timerSource"), QStringLiteral("stagetimer"));
    if (onConnected)
        onConnected();
    pollCycle(task);
}

void StagetimerModel::retryLater(const std::shared_ptr<Task>& task) {
    const int delays = int(std::size(retryDelaysMs));
    const int delay = retryDelaysMs[std::min(task->retries, delays - 1)];
    ++task->retries;
    task->call.reset();
    setStatus(L10n::format("Stagetimer: %@ – neuer Versuch …", {task->lastError}), true);
    std::weak_ptr<Task> weak = task;
    task->sleep = clock->after(delay, [this, weak] {
        auto task = weak.lock();
        if (!task || task->cancelled)
            return;
        task->baseIndex = 0;
        task->lastError = L10n::lookup("Server nicht erreichbar");
        tryBase(task);
    });
}

void StagetimerModel::apply(const STStatus& status) {
    isRunning = status.running.value_or(false);
    finishAt = status.finish;
    pauseAt = status.pause;
    startAt = status.start;
    currentTimerID = status.timerID;
    if (status.serverTime)
        offsetMs = *status.serverTime - clock->nowMs();
    if (!isConnected) {
        wasConnected = true;
        setConnected(true);
        const QString where = server().isEmpty() ? StagetimerApi::cloudDisplayName : server();
        setStatus(L10n::format("Verbunden mit %@", {where}));
    }
}

void StagetimerModel::pollCycle(const std::shared_ptr<Task>& task) {
    if (task->cancelled)
        return;
    if (task->cycle % 2 != 0) {
        pollStatus(task);
        return;
    }
    std::weak_ptr<Task> weak = task;
    task->call = get<STMessages>(QStringLiteral("get_all_messages"), activeBase, {},
                                 [this, weak](const Result<STMessages>& result) {
                                     auto task = weak.lock();
                                     if (!task || task->cancelled)
                                         return;
                                     // A lost link shows no message until it is back.
                                     if (result.succeeded() && isConnected)
                                         currentMessage = Json::capped(
                                             result.payload->showingText(), STLimits::message);
                                     pollStatus(task);
                                 });
}

void StagetimerModel::pollStatus(const std::shared_ptr<Task>& task) {
    std::weak_ptr<Task> weak = task;
    task->call = get<STStatus>(QStringLiteral("get_status"), activeBase, {},
                               [this, weak](const Result<STStatus>& result) {
                                   auto task = weak.lock();
                                   if (task && !task->cancelled)
                                       statusPolled(task, result);
                               });
}

void StagetimerModel::statusPolled(const std::shared_ptr<Task>& task,
                                   const Result<STStatus>& result) {
    if (!result.succeeded()) {
        // The link survives two bad polls unseen; from the third on the status names the cause.
        if (++task->failures >= failuresBeforeLost) {
            setConnected(false);
            // A message or timer name of a room we no longer hear from is stale.
            forgetRoomTexts();
            setStatus(L10n::format("Stagetimer: %@", {result.failure}), true);
        }
        endCycle(task);
        return;
    }
    apply(*result.payload);
    const std::optional<QString> id = result.payload->timerID;
    if (id && (!timerIDOfName || timerIDOfName->isEmpty() || *timerIDOfName != *id)) {
        std::weak_ptr<Task> weak = task;
        task->call = get<STTimer>(
            QStringLiteral("get_timer"), activeBase, QStringLiteral("&timer_id=") + *id,
            [this, weak, id](const Result<STTimer>& result) {
                auto task = weak.lock();
                if (!task || task->cancelled)
                    return;
                if (result.succeeded()) {
                    currentTimerName =
                        Json::capped(result.payload->name.value_or(QString()), STLimits::name);
                    timerIDOfName = id;
                }
                task->failures = 0;
                endCycle(task);
            });
        return;
    }
    task->failures = 0;
    endCycle(task);
}

void StagetimerModel::endCycle(const std::shared_ptr<Task>& task) {
    ++task->cycle;
    task->call.reset();
    std::weak_ptr<Task> weak = task;
    task->sleep = clock->after(pollIntervalMs, [this, weak] {
        auto task = weak.lock();
        if (task && !task->cancelled)
            pollCycle(task);
    });
}

template <class Payload>
std::shared_ptr<HttpCall> StagetimerModel::get(const QString& path, const QString& base,
                                               const QString& extra,
                                               std::function<void(const Result<Payload>&)> done) {
    StagetimerApi::RequestProblem problem;
    const auto request = StagetimerApi::request(StagetimerApi::address(base, path, roomID(), extra),
                                                apiKey(), &problem);
    if (!request) {
        const QString text = problem == StagetimerApi::RequestProblem::InvalidAddress
                                 ? L10n::lookup("Ungültige Adresse")
                                 : L10n::lookup("API-Key ungültig");
        return std::make_shared<DeferredFailure>(clock->after(0, [done, text] {
            Result<Payload> result = Result<Payload>::failed(text);
            result.settingsInvalid = true;
            done(result);
        }));
    }
    QPointer<StagetimerModel> self(this);
    return transport->get(*request, [self, done, key = apiKey()](const HttpResult& answer) {
        if (!self)
            return;
        Result<Payload> result = StagetimerApi::interpret<Payload>(answer, self->lastCode);
        // A server's message is shown as the status: bounded, and never repeating the key.
        result.failure = Json::capped(result.failure, STLimits::message);
        if (!key.isEmpty())
            result.failure.replace(key, QStringLiteral("…"));
        done(result);
    });
}

template std::shared_ptr<HttpCall>
StagetimerModel::get<STStatus>(const QString&, const QString&, const QString&,
                               std::function<void(const Result<STStatus>&)>);
template std::shared_ptr<HttpCall>
StagetimerModel::get<STTimer>(const QString&, const QString&, const QString&,
                              std::function<void(const Result<STTimer>&)>);
template std::shared_ptr<HttpCall>
StagetimerModel::get<STMessages>(const QString&, const QString&, const QString&,
                                 std::function<void(const Result<STMessages>&)>);

void StagetimerModel::setStatus(const QString& text, bool failure) {
    if (currentStatus == text && statusIsFailure == failure)
        return;
    currentStatus = text;
    statusIsFailure = failure;
    emit statusChanged();
}

void StagetimerModel::setConnected(bool value) {
    if (isConnected == value)
        return;
    isConnected = value;
    emit connectedChanged();
}

void StagetimerModel::setConnecting(bool value) {
    if (isConnecting == value)
        return;
    isConnecting = value;
    emit connectingChanged();
}

void StagetimerModel::setEnabled(bool value) {
    Preferences::setValue(enabledKey, value);
    emit settingsChanged();
}
