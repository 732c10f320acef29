#include "ontime/OntimeModel.h"

#include "base/L10n.h"
#include "base/Preferences.h"
#include "net/Json.h"

#include <cmath>

namespace {

const QString enabledKey = QStringLiteral("ontimeEnabled");
const QString hostKey = QStringLiteral("ontimeHost");
const QString portKey = QStringLiteral("ontimePort");
const QString timerSourceKey = QStringLiteral("timerSource");

constexpr int pollIntervalMs = 500;
constexpr int rescanDelayMs = 5000;
constexpr int failuresBeforeInterruption = 3;
constexpr int failuresBeforeGivingUp = 10;

bool isRunningWord(const QString& playback) {
    return playback == QLatin1String("play") || playback == QLatin1String("start") ||
           playback == QLatin1String("roll");
}

QString trimmedHost(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    const auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

// What every task shares: a cancelled flag and the one request or wait it is suspended in.
class OntimeModel::Task : public std::enable_shared_from_this<Task> {
public:
    explicit Task(OntimeModel& model) : model(model) {}
    virtual ~Task() { cancel(); }

    void cancel() {
        cancelled = true;
        if (auto call = std::exchange(operation, nullptr))
            call->cancel();
        if (auto timer = std::exchange(wait, nullptr))
            timer->cancel();
    }

protected:
    // Wraps a continuation so it keeps the task alive while it runs and does nothing once the
    // task has been cancelled (a continuation may end up cancelling its own task).
    template <typename Continuation> auto guarded(Continuation then) {
        return [weak = weak_from_this(), then = std::move(then)](auto&&... args) {
            const auto self = weak.lock();
            if (self && !self->cancelled)
                then(std::forward<decltype(args)>(args)...);
        };
    }

    // Runs `then` after `delayMs` unless the task is cancelled first.
    void sleep(int delayMs, std::function<void()> then) {
        wait = model.clock.after(delayMs, guarded(std::move(then)));
    }

    OntimeModel& model;
    Operation operation;
    std::shared_ptr<ClockTimer> wait;

private:
    bool cancelled = false;
};

// Fetches the runtime state, applies it, waits half a second, and again.
class OntimeModel::PollTask : public Task {
public:
    PollTask(OntimeModel& model, OntimeServer server) : Task(model), server(std::move(server)) {}

    void start() {
        const QString path = QString::fromLatin1(
            server.api == OntimeAPI::v3 ? OntimePaths::poll : OntimePaths::legacyPoll);
        const auto url = ontimeUrl(server.host, server.port, path);
        if (!url)
            return;
        const Discovery::Client client = Discovery::session(model.transport);
        request.url = *url;
        request.timeoutMs = client.timeoutMs;
        request.deadlineMs = client.deadlineMs;
        request.maxBodyBytes = client.maxBodyBytes;
        poll();
    }

private:
    void poll() {
        wait = nullptr;
        operation = model.transport.get(request, guarded([this](const HttpResult& result) {
                                            operation = nullptr;
                                            if (applied(result))
                                                answered();
                                            else
                                                failed();
                                        }));
    }

    // Only a 2xx answer within the body limit that decodes is a poll: an error page, garbage or
    // a cut body must not keep a frozen countdown on screen as if it ran.
    bool applied(const HttpResult& result) {
        if (!result.isSuccess() || result.bodyTooLarge)
            return false;
        if (server.api == OntimeAPI::v3) {
            const auto response = PollResponse::decode(result.body);
            if (response)
                model.applyPoll(*response);
            return response.has_value();
        }
        const auto response = LegacyPoll::decode(result.body);
        if (response)
            model.applyLegacyPoll(*response);
        return response.has_value();
    }

    void answered() {
        model.pollTime_ = model.clock.nowMs();
        interruptionShown = false;
        answeredOnce = true;
        model.trouble_ = LinkTrouble::none;
        if (!model.connected_) {
            model.setConnected(true);
            model.setStatus(L10n::format("Verbunden mit %@", {server.label()}));
        }
        failures = 0;
        sleep(pollIntervalMs, [this] { poll(); });
    }

    void failed() {
        ++failures;
        // A chosen server that never answered is not left showing "Verbinde mit" either.
        if (failures >= failuresBeforeInterruption && !interruptionShown) {
            model.setConnected(false);
            interruptionShown = true;
            if (model.trouble_ != LinkTrouble::lost)
                model.trouble_ = answeredOnce ? LinkTrouble::lost : LinkTrouble::unreachable;
            model.setStatus(L10n::format("Verbindung zu %@ unterbrochen …", {server.host}), true);
        }
        if (failures >= failuresBeforeGivingUp) {
            const auto self = shared_from_this();
            cancel();
            model.setServer(std::nullopt);
            model.reconnect();
            return;
        }
        sleep(pollIntervalMs, [this] { poll(); });
    }

    OntimeServer server;
    HttpRequest request;
    int failures = 0;
    bool interruptionShown = false;
    bool answeredOnce = false;
};

// The search, optionally preceded by one probe of the remembered host (the reconnect attempt).
class OntimeModel::SearchTask : public Task {
public:
    SearchTask(OntimeModel& model, bool autoConnect, bool offerChoice)
        : Task(model), autoConnect(autoConnect), offerChoice(offerChoice) {}

    void reconnect() {
        const QString host = Preferences::text(hostKey);
        if (host.isEmpty())
            return search();
        model.setStatus(L10n::format("Verbinde mit %@ …", {host}));
        operation = Discovery::probe(host, OntimeModel::configuredPort(),
                                     Discovery::session(model.transport),
                                     guarded([this](std::optional<OntimeServer> server) {
                                         operation = nullptr;
                                         if (server)
                                             return model.connectTo(*server);
                                         search();
                                     }));
    }

    void search() {
        model.setScanning(true);
        scan();
    }

private:
    void scan() {
        wait = nullptr;
        const int port = OntimeModel::configuredPort();
        if (!model.server_)
            model.setStatus(offerChoice ? L10n::lookup("Suche Ontime und Stagetimer im Netzwerk …")
                                        : L10n::lookup("Suche Ontime im Netzwerk …"));
        operation = Discovery::scan(
            port, OntimeModel::stagetimerPort,
            guarded([this](int done, int total, const QList<OntimeServer>& found) {
                model.setScanProgress(double(done) / std::max(total, 1));
                QList<OntimeServer> list = model.found_;
                for (const OntimeServer& server : found)
                    if (!list.contains(server))
                        list.append(server);
                model.setFound(list);
            }),
            guarded([this, port](Discovery::ScanResult result) { scanned(result, port); }),
            model.transport, model.listInterfaces());
    }

    void scanned(const Discovery::ScanResult& result, int port) {
        operation = nullptr;
        model.setFound(result.servers);
        model.setStagetimersFound(result.stagetimers);
        model.setScanInfo(result.info);
        model.setScanProgress(1);

        if (offerChoice && (!result.servers.isEmpty() || !result.stagetimers.isEmpty())) {
            model.setScanning(false);
            if (!model.server_)
                model.setStatus(L10n::lookup("Bitte ein Ontime auswählen"));
            if (model.onChoice)
                model.onChoice(result.servers, result.stagetimers);
            return;
        }
        if (model.server_ || !autoConnect) {
            if (!model.server_)
                model.setStatus(result.servers.isEmpty()
                                    ? L10n::format("Kein Ontime gefunden (Port %d)", {port})
                                    : L10n::lookup("Bitte ein Ontime auswählen"),
                                result.servers.isEmpty());
            model.setScanning(false);
            return;
        }
        if (!result.servers.isEmpty()) {
            const QString remembered = Preferences::text(hostKey);
            OntimeServer chosen = result.servers.first();
            for (const OntimeServer& server : result.servers) {
                if (server.host == remembered) {
                    chosen = server;
                    break;
                }
            }
            return model.connectTo(chosen);
        }
        model.setStatus(L10n::format("Kein Ontime gefunden (Port %d) – neuer Versuch …", {port}),
                        true);
        // The link the speaker set up earlier does not come back.
        if (model.trouble_ == LinkTrouble::none && Preferences::flag(enabledKey))
            model.trouble_ = LinkTrouble::unreachable;
        sleep(rescanDelayMs, [this] { scan(); });
    }

    bool autoConnect;
    bool offerChoice;
};

// Probes a typed host; not kept in a slot, so later operations do not stop it.
class OntimeModel::HostTask : public Task {
public:
    HostTask(OntimeModel& model, QString host) : Task(model), host(std::move(host)) {}

    void start() {
        const int port = OntimeModel::configuredPort();
        operation = Discovery::probeExplained(
            host, port, Discovery::session(model.transport),
            guarded([this, port](std::optional<OntimeServer> server,
                                 Discovery::ProbeFailure failure) {
                operation = nullptr;
                const auto self = shared_from_this();
                std::erase(model.hostTasks, self);
                if (server)
                    return model.connectTo(*server);
                // Each cause has its remedy: the name, the network, or the port.
                switch (failure) {
                case Discovery::ProbeFailure::unresolved:
                    model.setStatus(L10n::format("Rechner „%@“ nicht gefunden", {host}), true);
                    break;
                case Discovery::ProbeFailure::noAnswer:
                    model.setStatus(L10n::format("Keine Antwort von %@:%d", {host, port}), true);
                    break;
                case Discovery::ProbeFailure::notOntime:
                    model.setStatus(
                        L10n::format("%@:%d antwortet, ist aber kein Ontime", {host, port}), true);
                    break;
                }
            }));
    }

private:
    QString host;
};

OntimeModel::OntimeModel(QObject* parent)
    : QObject(parent), ownedTransport(std::make_unique<NetworkHttpTransport>()),
      ownedClock(std::make_unique<SystemClock>()), transport(*ownedTransport), clock(*ownedClock),
      status_(L10n::lookup("Nicht verbunden")), pollTime_(clock.nowMs()) {}

OntimeModel::OntimeModel(HttpTransport& transport, Clock& clock, QObject* parent)
    : QObject(parent), transport(transport), clock(clock), status_(L10n::lookup("Nicht verbunden")),
      pollTime_(clock.nowMs()) {}

OntimeModel::~OntimeModel() {
    cancelPollTask();
    cancelScanTask();
    for (const auto& task : hostTasks)
        task->cancel();
}

int OntimeModel::configuredPort() {
    const qint64 stored = Preferences::integer(portKey);
    return stored > 0 && stored <= 65535 ? int(stored) : defaultPort;
}

QString OntimeModel::format(double ms) {
    // Beyond 99999 hours (and for values that are no number) the text would only overflow.
    constexpr double largest = 99999.0 * 3600 + 3599;
    const bool negative = ms < 0;
    double seconds = negative ? std::floor(-ms / 1000) : std::ceil(ms / 1000);
    if (!(seconds <= largest))
        seconds = std::isnan(seconds) ? 0 : largest;
    const qint64 s = qint64(seconds);
    const QString text = s >= 3600 ? QString::asprintf("%d:%02d:%02d", int(s / 3600),
                                                       int((s / 60) % 60), int(s % 60))
                                   : QString::asprintf("%02d:%02d", int(s / 60), int(s % 60));
    return negative ? QLatin1Char('-') + text : text;
}

std::optional<double> OntimeModel::remainingMs() const {
    if (!connected_ || !current_)
        return std::nullopt;
    if (playback_ == QLatin1String("stop"))
        return std::nullopt;
    if (playback_ == QLatin1String("armed") && *current_ == 0)
        return std::nullopt;
    if (isRunningWord(playback_))
        return *current_ - (clock.nowMs() - pollTime_);
    return current_;
}

void OntimeModel::start() {
    if (Preferences::flag(enabledKey))
        reconnect();
}

void OntimeModel::search(bool autoConnect, bool offerChoice) {
    startSearchTask(autoConnect, offerChoice, false);
}

void OntimeModel::reconnect() {
    startSearchTask(true, false, true);
}

void OntimeModel::startSearchTask(bool autoConnect, bool offerChoice, bool probeStoredHostFirst) {
    cancelScanTask();
    auto task = std::make_shared<SearchTask>(*this, autoConnect, offerChoice);
    scanTask = task;
    if (probeStoredHostFirst)
        task->reconnect();
    else
        task->search();
}

void OntimeModel::connectToHost(const QString& text) {
    const QString host = trimmedHost(text);
    if (host.isEmpty())
        return;
    // The speaker named the server: a search running would overwrite what the attempt says.
    cancelScanTask();
    setScanning(false);
    setStatus(L10n::format("Verbinde mit %@ …", {host}));
    auto task = std::make_shared<HostTask>(*this, host);
    hostTasks.push_back(task);
    task->start();
}

void OntimeModel::connectTo(const OntimeServer& chosen) {
    cancelScanTask();
    setScanning(false);
    setServer(chosen);
    setEnabled(true);
    Preferences::setValue(hostKey, chosen.host);
    if (!found_.contains(chosen)) {
        QList<OntimeServer> list = found_;
        list.removeIf([&](const OntimeServer& server) { return server.host == chosen.host; });
        list.append(chosen);
        setFound(list);
    }
    // "Verbunden" only once the first poll has decoded.
    setConnected(false);
    setStatus(L10n::format("Verbinde mit %@ …", {chosen.label()}));
    current_.reset();
    playback_.clear();
    eventTitle_.clear();
    cancelPollTask();
    auto task = std::make_shared<PollTask>(*this, chosen);
    pollTask = task;
    task->start();
    Preferences::setValue(timerSourceKey, QStringLiteral("ontime"));
    if (onConnected)
        onConnected();
}

void OntimeModel::disconnectServer() {
    trouble_ = LinkTrouble::none;
    cancelPollTask();
    cancelScanTask();
    setScanning(false);
    setServer(std::nullopt);
    setConnected(false);
    current_.reset();
    timerMessage_.clear();
    secondaryMessage_.clear();
    setEnabled(false);
    setStatus(L10n::lookup("Nicht verbunden"));
}

void OntimeModel::cancelScanTask() {
    if (auto task = std::exchange(scanTask, nullptr))
        task->cancel();
}

void OntimeModel::cancelPollTask() {
    if (auto task = std::exchange(pollTask, nullptr))
        task->cancel();
}

void OntimeModel::setEnabled(bool enabled) {
    Preferences::setValue(enabledKey, enabled);
    emit enabledChanged();
}

void OntimeModel::applyPoll(const PollResponse& response) {
    const RuntimeData& data = response.payload;
    current_ = data.timer ? data.timer->current : std::nullopt;
    playback_ = data.timer ? data.timer->playback.value_or(QString()) : QString();
    eventTitle_ = data.eventNow
                      ? Json::capped(data.eventNow->title.value_or(QString()), OntimeLimits::title)
                      : QString();

    const auto& message = data.message;
    const auto* timerMessage = message && message->timer ? &*message->timer : nullptr;
    timerMessage_ =
        timerMessage && timerMessage->visible.value_or(false)
            ? Json::capped(timerMessage->text.value_or(QString()), OntimeLimits::message)
            : QString();
    timerMessageBlinks_ = timerMessage && timerMessage->blink.value_or(false);

    secondaryMessage_.clear();
    if (!message)
        return;
    if (message->secondary) {
        if (timerMessage && timerMessage->secondarySource == QStringLiteral("secondary"))
            secondaryMessage_ = Json::capped(*message->secondary, OntimeLimits::message);
    } else if (message->external && message->external->visible.value_or(false) &&
               message->external->text) {
        secondaryMessage_ = Json::capped(*message->external->text, OntimeLimits::message);
    }
}

void OntimeModel::applyLegacyPoll(const LegacyPoll& response) {
    current_ = response.running ? std::optional<double>(*response.running * 1000) : std::nullopt;
    playback_ = response.playback.value_or(QString());
    eventTitle_.clear();
    timerMessage_.clear();
    secondaryMessage_.clear();
}

void OntimeModel::setServer(const std::optional<OntimeServer>& value) {
    if (server_ == value)
        return;
    server_ = value;
    emit serverChanged();
}

void OntimeModel::setFound(const QList<OntimeServer>& value) {
    if (found_ == value)
        return;
    found_ = value;
    emit foundChanged();
}

void OntimeModel::setStatus(const QString& value, bool failure) {
    if (status_ == value && linkFailed_ == failure)
        return;
    status_ = value;
    linkFailed_ = failure;
    emit statusChanged();
}

void OntimeModel::setScanInfo(const QString& value) {
    if (scanInfo_ == value)
        return;
    scanInfo_ = value;
    emit scanInfoChanged();
}

void OntimeModel::setScanning(bool value) {
    if (scanning_ == value)
        return;
    scanning_ = value;
    emit scanningChanged();
}

void OntimeModel::setScanProgress(double value) {
    if (scanProgress_ == value)
        return;
    scanProgress_ = value;
    emit scanProgressChanged();
}

void OntimeModel::setConnected(bool value) {
    if (connected_ == value)
        return;
    connected_ = value;
    emit connectedChanged();
}

void OntimeModel::setStagetimersFound(const QList<StagetimerDesktop>& value) {
    if (stagetimersFound_ == value)
        return;
    stagetimersFound_ = value;
    emit stagetimersFoundChanged();
}
