// Finding timer servers: the Ontime probe, the Stagetimer app probe and the scan of local networks.
#pragma once

#include "net/Http.h"
#include "ontime/OntimeWire.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

// A Stagetimer desktop app that answered on the local network.
struct StagetimerDesktop {
    QString host;
    int port = 0;
    bool apiV1 = false; // false: only "api/v0/" answered, too old to connect to

    friend bool operator==(const StagetimerDesktop&, const StagetimerDesktop&) = default;
};

size_t qHash(const StagetimerDesktop& app, size_t seed = 0);

// A running network operation; after cancel() its completion is never called. Dropping the last
// reference cancels it as well.
using Operation = std::shared_ptr<HttpCall>;

namespace Discovery {

// How requests are sent: through which transport and with which limits.
struct Client {
    HttpTransport* transport = nullptr;
    int timeoutMs = 0;  // no byte for this long ends the request
    int deadlineMs = 0; // the whole request; a peer that drips bytes is cut off here
    qint64 maxBodyBytes = 0;
};

// Connecting to a typed or remembered host, and polling.
Client session(HttpTransport& transport);
// The probes of a scan. The transport should allow one request per host at a time (scan() does).
Client scanSession(HttpTransport& transport);

template <typename Record> struct Fetched {
    std::optional<Record> value;
    bool reachable = false;  // something answered over HTTP, whatever the status or body
    bool unresolved = false; // the host's name is no name of any address (or no name at all)
};

// GET http://host:port/path. `done` gets the answer, a failed transfer's too, or nothing when the
// URL was invalid; it always runs later on the main thread, never inside this call.
Operation fetch(const QString& host, int port, const QString& path, const Client& client,
                std::function<void(std::optional<HttpResult>)> done);

template <typename Record>
Operation fetchChecked(const QString& host, int port, const QString& path, const Client& client,
                       std::function<void(Fetched<Record>)> done) {
    return fetch(
        host, port, path, client, [done = std::move(done)](std::optional<HttpResult> result) {
            Fetched<Record> fetched;
            fetched.reachable = result && result->kind != HttpResult::Kind::TransportFailure;
            fetched.unresolved = !result || result->error == QNetworkReply::HostNotFoundError;
            if (fetched.reachable && result->isSuccess() && !result->bodyTooLarge)
                fetched.value = Record::decode(result->body);
            done(fetched);
        });
}

// Why a probe found no Ontime, in the terms the speaker can act on.
enum class ProbeFailure { unresolved, noAnswer, notOntime };

// One request to a closed port or silent address, at most two to any HTTP server.
Operation probe(const QString& host, int port, const Client& client,
                std::function<void(std::optional<OntimeServer>)> done);
// The same, saying why when nothing was found.
Operation probeExplained(const QString& host, int port, const Client& client,
                         std::function<void(std::optional<OntimeServer>, ProbeFailure)> done);

// Asks "api/v1/", then "api/v0/", for a page that mentions Stagetimer in its first 400 bytes.
Operation probeStagetimer(const QString& host, int port, const Client& client,
                          std::function<void(std::optional<StagetimerDesktop>)> done);
// Whether a body counts as a Stagetimer app's answer.
bool mentionsStagetimer(const QByteArray& body);

struct Interface {
    QString name;
    quint32 ip = 0; // host order, first octet most significant
    quint32 mask = 0;

    friend bool operator==(const Interface&, const Interface&) = default;
};

// The up, non-loopback IPv4 interfaces with an accepted name, in the system's order.
QList<Interface> localIPv4();
// Ethernet, Wi-Fi and bridges only: never container, VPN or virtual machine links.
bool acceptsInterface(const QString& name, quint32 ip, bool up, bool loopback);

QString ipString(quint32 ip);

// The addresses a scan probes, in order, and the report's first lines.
struct ScanPlan {
    QStringList addresses;
    QStringList reportLines;
};
ScanPlan plan(const QList<Interface>& interfaces);

QString report(const QStringList& reportLines, int total, int servers, int stagetimers);

// Numeric order of hosts ("10.0.0.9" before "10.0.0.10"), stable for equal hosts.
void sortByHost(QList<OntimeServer>& servers);
void sortByHost(QList<StagetimerDesktop>& apps);

struct ScanResult {
    QList<OntimeServer> servers;
    QList<StagetimerDesktop> stagetimers;
    QString info;
};

inline constexpr int batchSize = 128;

// Called before each batch with the addresses done so far, the total and the servers found so far.
using ScanProgress = std::function<void(int done, int total, const QList<OntimeServer>& found)>;

// Probes the plan of `interfaces` in batches. The first progress call happens inside this call;
// `done` runs once the last batch is complete.
Operation scan(int port, int stagetimerPort, ScanProgress progress,
               std::function<void(ScanResult)> done, HttpTransport& transport,
               const QList<Interface>& interfaces);

} // namespace Discovery
