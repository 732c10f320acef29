#include "ontime/Discovery.h"

#include "base/L10n.h"

#include <QCollator>
#include <QHash>
#include <QLocale>
#include <QSet>
#include <QStringDecoder>
#include <QTimer>
#include <algorithm>
#include <arpa/inet.h>
#include <deque>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

size_t qHash(const StagetimerDesktop& app, size_t seed) {
    return qHashMulti(seed, app.host, app.port, app.apiV1);
}

namespace {

// Reports "no answer" from the event loop, so callers never see their callback run inside the
// call that started the request.
class PostedFailure : public QObject, public HttpCall {
public:
    explicit PostedFailure(std::function<void(std::optional<HttpResult>)> done)
        : done(std::move(done)) {
        QTimer::singleShot(0, this, [this] {
            if (auto callback = std::exchange(this->done, nullptr))
                callback(std::nullopt);
        });
    }
    void cancel() override { done = nullptr; }

private:
    std::function<void(std::optional<HttpResult>)> done;
};

// Holds a transport call and hands its result on.
class FetchCall : public HttpCall {
public:
    std::shared_ptr<HttpCall> inner;
    ~FetchCall() override { cancel(); }
    void cancel() override {
        if (auto call = std::exchange(inner, nullptr))
            call->cancel();
    }
};

// A probe of one host: a chain of requests, one at a time.
class ChainedProbe : public HttpCall, public std::enable_shared_from_this<ChainedProbe> {
public:
    ~ChainedProbe() override { cancel(); }
    void cancel() override {
        cancelled = true;
        if (auto call = std::exchange(current, nullptr))
            call->cancel();
    }

protected:
    bool cancelled = false;
    Operation current;
};

class OntimeProbe : public ChainedProbe {
public:
    using Done = std::function<void(std::optional<OntimeServer>, Discovery::ProbeFailure)>;
    OntimeProbe(QString host, int port, Discovery::Client client, Done done)
        : host(std::move(host)), port(port), client(client), done(std::move(done)) {}

    void start() {
        std::weak_ptr<ChainedProbe> weak = weak_from_this();
        current = Discovery::fetchChecked<VersionResponse>(
            host, port, QString::fromLatin1(OntimePaths::version), client,
            [this, weak](const Discovery::Fetched<VersionResponse>& version) {
                const auto self = weak.lock();
                if (!self || cancelled)
                    return;
                if (version.value)
                    return finish(OntimeServer{host, port, OntimeAPI::v3, version.value->payload});
                if (!version.reachable)
                    return finish(std::nullopt, version.unresolved
                                                    ? Discovery::ProbeFailure::unresolved
                                                    : Discovery::ProbeFailure::noAnswer);
                askLegacy();
            });
    }

private:
    void askLegacy() {
        std::weak_ptr<ChainedProbe> weak = weak_from_this();
        current = Discovery::fetchChecked<LegacyInfo>(
            host, port, QString::fromLatin1(OntimePaths::legacyInfo), client,
            [this, weak](const Discovery::Fetched<LegacyInfo>& info) {
                const auto self = weak.lock();
                if (!self || cancelled)
                    return;
                // The probed port counts, not the one the server claims to listen on.
                if (info.value)
                    return finish(OntimeServer{host, port, OntimeAPI::v1, QStringLiteral("1.x")});
                finish(std::nullopt);
            });
    }

    void finish(std::optional<OntimeServer> server,
                Discovery::ProbeFailure failure = Discovery::ProbeFailure::notOntime) {
        current = nullptr;
        if (auto callback = std::exchange(done, nullptr))
            callback(std::move(server), failure);
    }

    QString host;
    int port;
    Discovery::Client client;
    Done done;
};

class StagetimerProbe : public ChainedProbe {
public:
    StagetimerProbe(QString host, int port, Discovery::Client client,
                    std::function<void(std::optional<StagetimerDesktop>)> done)
        : host(std::move(host)), port(port), client(client), done(std::move(done)) {
        // Only the first 400 bytes are looked at; a longer page is cut off there.
        this->client.maxBodyBytes = 400;
    }

    void start() { ask(true); }

private:
    void ask(bool v1) {
        std::weak_ptr<ChainedProbe> weak = weak_from_this();
        const QString path = v1 ? QStringLiteral("api/v1/") : QStringLiteral("api/v0/");
        current = Discovery::fetch(
            host, port, path, client, [this, weak, v1](std::optional<HttpResult> result) {
                const auto self = weak.lock();
                if (!self || cancelled)
                    return;
                if (result && result->isHttp() && Discovery::mentionsStagetimer(result->body))
                    return finish(StagetimerDesktop{host, port, v1});
                if (v1)
                    return ask(false);
                finish(std::nullopt);
            });
    }

    void finish(std::optional<StagetimerDesktop> app) {
        current = nullptr;
        if (auto callback = std::exchange(done, nullptr))
            callback(std::move(app));
    }

    QString host;
    int port;
    Discovery::Client client;
    std::function<void(std::optional<StagetimerDesktop>)> done;
};

// Lets at most one request per host be in flight; the others wait in order of arrival.
class HostQueue : public HttpTransport {
public:
    explicit HostQueue(HttpTransport& inner) : inner(inner) {}
    ~HostQueue() override { close(); }

    std::shared_ptr<HttpCall> get(const HttpRequest& request, HttpCallback done) override {
        auto call = std::make_shared<Queued>(this, request, std::move(done));
        const QString host = request.url.host();
        if (busy.contains(host) || closed)
            waiting[host].push_back(call);
        else
            start(call);
        return call;
    }

    // Starts nothing more; used before the calls of a cancelled scan are dropped.
    void close() {
        closed = true;
        waiting.clear();
    }

private:
    struct Queued : HttpCall {
        Queued(HostQueue* queue, HttpRequest request, HttpCallback done)
            : queue(queue), request(std::move(request)), done(std::move(done)) {}
        ~Queued() override { cancel(); }
        void cancel() override {
            if (!done)
                return;
            done = nullptr;
            if (auto call = std::exchange(running, nullptr)) {
                call->cancel();
                queue->next(request.url.host());
            }
        }
        HostQueue* queue;
        HttpRequest request;
        HttpCallback done;
        std::shared_ptr<HttpCall> running;
    };

    void start(const std::shared_ptr<Queued>& call) {
        busy.insert(call->request.url.host());
        std::weak_ptr<Queued> weak = call;
        call->running = inner.get(call->request, [this, weak](const HttpResult& result) {
            const auto self = weak.lock();
            if (!self || !self->done)
                return;
            self->running = nullptr;
            auto done = std::exchange(self->done, nullptr);
            next(self->request.url.host());
            done(result);
        });
    }

    void next(const QString& host) {
        busy.remove(host);
        auto found = waiting.find(host);
        while (!closed && found != waiting.end() && !found->empty()) {
            auto call = found->front().lock();
            found->pop_front();
            if (call && call->done) {
                start(call);
                break;
            }
        }
        if (found != waiting.end() && found->empty())
            waiting.erase(found);
    }

    HttpTransport& inner;
    QSet<QString> busy;
    QHash<QString, std::deque<std::weak_ptr<Queued>>> waiting;
    bool closed = false;
};

class ScanOperation : public HttpCall, public std::enable_shared_from_this<ScanOperation> {
public:
    ScanOperation(int port, int stagetimerPort, Discovery::ScanProgress progress,
                  std::function<void(Discovery::ScanResult)> done, HttpTransport& transport,
                  const QList<Discovery::Interface>& interfaces)
        : port(port), stagetimerPort(stagetimerPort), progress(std::move(progress)),
          done(std::move(done)), queue(transport), client(Discovery::scanSession(queue)),
          scanPlan(Discovery::plan(interfaces)) {}

    ~ScanOperation() override { cancel(); }

    void cancel() override {
        cancelled = true;
        done = nullptr;
        progress = nullptr;
        queue.close();
        probes.clear();
    }

    void nextBatch() {
        const int total = int(scanPlan.addresses.size());
        if (cancelled)
            return;
        if (batchStart >= total)
            return finish();
        const auto self = shared_from_this();
        if (progress)
            progress(batchStart, total, servers);
        if (cancelled)
            return;
        probes.clear();
        const int end = std::min(total, batchStart + Discovery::batchSize);
        std::weak_ptr<ScanOperation> weak = self;
        for (int index = batchStart; index < end; ++index) {
            const QString& address = scanPlan.addresses[index];
            pending += 2;
            probes.push_back(Discovery::probe(address, port, client,
                                              [this, weak](std::optional<OntimeServer> server) {
                                                  if (weak.expired() || cancelled)
                                                      return;
                                                  if (server)
                                                      servers.append(*server);
                                                  probeDone();
                                              }));
            probes.push_back(
                Discovery::probeStagetimer(address, stagetimerPort, client,
                                           [this, weak](std::optional<StagetimerDesktop> app) {
                                               if (weak.expired() || cancelled)
                                                   return;
                                               if (app)
                                                   stagetimers.append(*app);
                                               probeDone();
                                           }));
        }
        batchStart = end;
    }

private:
    void probeDone() {
        if (--pending == 0)
            QTimer::singleShot(0, [weak = weak_from_this()] {
                if (const auto self = weak.lock())
                    self->nextBatch();
            });
    }

    void finish() {
        Discovery::ScanResult result;
        result.info = Discovery::report(scanPlan.reportLines, int(scanPlan.addresses.size()),
                                        int(servers.size()), int(stagetimers.size()));
        Discovery::sortByHost(servers);
        Discovery::sortByHost(stagetimers);
        result.servers = servers;
        result.stagetimers = stagetimers;
        probes.clear();
        if (auto callback = std::exchange(done, nullptr))
            callback(std::move(result));
    }

    int port;
    int stagetimerPort;
    Discovery::ScanProgress progress;
    std::function<void(Discovery::ScanResult)> done;
    HostQueue queue;
    Discovery::Client client;
    Discovery::ScanPlan scanPlan;
    QList<OntimeServer> servers;
    QList<StagetimerDesktop> stagetimers;
    std::vector<Operation> probes;
    int batchStart = 0;
    int pending = 0;
    bool cancelled = false;
};

QCollator hostCollator() {
    // The C locale compares code points; digits must compare by value.
    QLocale locale = QLocale::system();
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English);
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

template <typename Record> void sortRecords(QList<Record>& records) {
    const QCollator collator = hostCollator();
    std::stable_sort(records.begin(), records.end(), [&](const Record& a, const Record& b) {
        return collator.compare(a.host, b.host) < 0;
    });
}

} // namespace

namespace Discovery {

Client session(HttpTransport& transport) {
    return Client{&transport, 1500, 5000, 1 << 20};
}

Client scanSession(HttpTransport& transport) {
    return Client{&transport, 800, 2000, 64 << 10};
}

Operation fetch(const QString& host, int port, const QString& path, const Client& client,
                std::function<void(std::optional<HttpResult>)> done) {
    const auto url = ontimeUrl(host, port, path);
    if (!url)
        return std::make_shared<PostedFailure>(std::move(done));
    HttpRequest request;
    request.url = *url;
    request.timeoutMs = client.timeoutMs;
    request.deadlineMs = client.deadlineMs;
    request.maxBodyBytes = client.maxBodyBytes;
    auto call = std::make_shared<FetchCall>();
    call->inner = client.transport->get(
        request, [done = std::move(done)](const HttpResult& result) { done(result); });
    return call;
}

Operation probe(const QString& host, int port, const Client& client,
                std::function<void(std::optional<OntimeServer>)> done) {
    return probeExplained(host, port, client,
                          [done = std::move(done)](std::optional<OntimeServer> server,
                                                   ProbeFailure) { done(std::move(server)); });
}

Operation probeExplained(const QString& host, int port, const Client& client,
                         std::function<void(std::optional<OntimeServer>, ProbeFailure)> done) {
    auto probe = std::make_shared<OntimeProbe>(host, port, client, std::move(done));
    probe->start();
    return probe;
}

Operation probeStagetimer(const QString& host, int port, const Client& client,
                          std::function<void(std::optional<StagetimerDesktop>)> done) {
    auto probe = std::make_shared<StagetimerProbe>(host, port, client, std::move(done));
    probe->start();
    return probe;
}

bool mentionsStagetimer(const QByteArray& body) {
    // A multi-byte character cut at byte 400 makes the prefix invalid, and so a "no".
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(body.left(400));
    return !decoder.hasError() && text.contains(QLatin1String("stagetimer"), Qt::CaseInsensitive);
}

bool acceptsInterface(const QString& name, quint32 ip, bool up, bool loopback) {
    static const QStringList prefixes{QStringLiteral("en"), QStringLiteral("bridge"),
                                      QStringLiteral("eth"), QStringLiteral("wl")};
    const bool accepted = std::any_of(prefixes.begin(), prefixes.end(), [&](const QString& prefix) {
        return name.startsWith(prefix);
    });
    const bool linkLocal = (ip & 0xFFFF0000u) == 0xA9FE0000u; // 169.254.0.0/16
    return accepted && up && !loopback && !linkLocal;
}

QList<Interface> localIPv4() {
    QList<Interface> interfaces;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return interfaces;
    for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || !entry->ifa_netmask || entry->ifa_addr->sa_family != AF_INET)
            continue;
        const QString name = QString::fromLocal8Bit(entry->ifa_name);
        const quint32 ip =
            ntohl(reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr);
        const quint32 mask =
            ntohl(reinterpret_cast<const sockaddr_in*>(entry->ifa_netmask)->sin_addr.s_addr);
        if (acceptsInterface(name, ip, entry->ifa_flags & IFF_UP, entry->ifa_flags & IFF_LOOPBACK))
            interfaces.append(Interface{name, ip, mask});
    }
    freeifaddrs(list);
    return interfaces;
}

QString ipString(quint32 ip) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(ip >> 24)
        .arg((ip >> 16) & 0xFF)
        .arg((ip >> 8) & 0xFF)
        .arg(ip & 0xFF);
}

ScanPlan plan(const QList<Interface>& interfaces) {
    ScanPlan result;
    result.addresses.append(QStringLiteral("127.0.0.1"));
    if (interfaces.isEmpty()) {
        result.reportLines.append(
            L10n::lookup("Kein Netzwerk gefunden – nur dieser Rechner wird geprüft"));
        return result;
    }
    for (const Interface& interface : interfaces) {
        // Never more than the /20 block around the interface's own address.
        const quint32 mask = interface.mask | 0xFFFFF000u;
        const qint64 first = qint64(interface.ip & mask) + 1;
        const qint64 last = qint64((~mask) | interface.ip) - 1;
        if (first > last)
            continue;
        QStringList ownSubnet;
        QStringList rest;
        for (quint32 ip = quint32(first); ip <= quint32(last); ++ip) {
            if (ip == interface.ip)
                continue;
            ((ip >> 8) == (interface.ip >> 8) ? ownSubnet : rest).append(ipString(ip));
        }
        result.addresses += ownSubnet;
        result.addresses += rest;
        result.reportLines.append(interface.name + QLatin1Char(' ') + ipString(interface.ip) +
                                  QStringLiteral(": ") + ipString(quint32(first)) +
                                  QStringLiteral(" \u2013 ") + ipString(quint32(last)));
    }
    return result;
}

QString report(const QStringList& reportLines, int total, int servers, int stagetimers) {
    QString text =
        reportLines.join(QLatin1Char('\n')) + QLatin1Char('\n') +
        (total == 1 ? L10n::format("1 Adresse geprüft, %d Ontime gefunden", {servers})
                    : L10n::format("%d Adressen geprüft, %d Ontime gefunden", {total, servers}));
    if (stagetimers > 0)
        text += QStringLiteral(", ") + L10n::format("%d Stagetimer gefunden", {stagetimers});
    return text;
}

void sortByHost(QList<OntimeServer>& servers) {
    sortRecords(servers);
}
void sortByHost(QList<StagetimerDesktop>& apps) {
    sortRecords(apps);
}

Operation scan(int port, int stagetimerPort, ScanProgress progress,
               std::function<void(ScanResult)> done, HttpTransport& transport,
               const QList<Interface>& interfaces) {
    auto operation = std::make_shared<ScanOperation>(port, stagetimerPort, std::move(progress),
                                                     std::move(done), transport, interfaces);
    operation->nextBatch();
    return operation;
}

} // namespace Discovery
