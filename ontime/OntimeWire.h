// The records Ontime servers answer with, the four read-only request paths, and their decoding.
#pragma once

#include <QByteArray>
#include <QHashFunctions>
#include <QJsonObject>
#include <QString>
#include <QUrl>
#include <optional>

enum class OntimeAPI {
    v1, // an older server, found through "ontime/info"
    v3, // a current server, found through "api/version"
};

struct OntimeServer {
    QString host;
    int port = 0;
    OntimeAPI api = OntimeAPI::v3;
    QString version;

    // "host:port – Ontime version", as shown in status texts, lists and menus.
    QString label() const;

    friend bool operator==(const OntimeServer&, const OntimeServer&) = default;
};

size_t qHash(const OntimeServer& server, size_t seed = 0);

namespace OntimePaths {
inline constexpr char version[] = "api/version";
inline constexpr char legacyInfo[] = "ontime/info";
inline constexpr char poll[] = "api/poll";
inline constexpr char legacyPoll[] = "ontime/poll";
} // namespace OntimePaths

// "http://host:port/path", with the host exactly as given; empty when that is no valid URL.
std::optional<QUrl> ontimeUrl(const QString& host, int port, const QString& path);

// Longest texts kept from a server; longer ones are cut when decoded or applied.
namespace OntimeLimits {
inline constexpr qsizetype version = 64;
inline constexpr qsizetype title = 200;
inline constexpr qsizetype message = 500;
// A timer beyond 100 hours either way is no stage timer: such an answer does not decode.
inline constexpr double timerMs = 100.0 * 3600 * 1000;
} // namespace OntimeLimits

struct VersionResponse {
    QString payload;
    static std::optional<VersionResponse> decode(const QByteArray& body);
};

struct LegacyInfo {
    qint64 serverPort = 0;
    static std::optional<LegacyInfo> decode(const QByteArray& body);
};

struct RuntimeData {
    struct Timer {
        std::optional<double> current;
        std::optional<QString> playback;
    };
    struct Event {
        std::optional<QString> title;
    };
    struct Message {
        struct TimerMessage {
            std::optional<QString> text;
            std::optional<bool> visible;
            std::optional<bool> blink;
            std::optional<QString> secondarySource;
        };
        struct External {
            std::optional<QString> text;
            std::optional<bool> visible;
        };
        std::optional<TimerMessage> timer;
        std::optional<QString> secondary;
        std::optional<External> external;
    };

    std::optional<double> clock;
    std::optional<Timer> timer;
    std::optional<Event> eventNow;
    std::optional<Message> message;
};

struct PollResponse {
    RuntimeData payload;
    static std::optional<PollResponse> decode(const QByteArray& body);
};

struct LegacyPoll {
    std::optional<double> running; // seconds
    std::optional<QString> playback;
    static std::optional<LegacyPoll> decode(const QByteArray& body);
};
