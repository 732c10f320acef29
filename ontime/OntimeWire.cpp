#include "ontime/OntimeWire.h"

#include "net/Json.h"

#include <cmath>

QString OntimeServer::label() const {
    return host + QLatin1Char(':') + QString::number(port) + QStringLiteral(" \u2013 Ontime ") +
           version;
}

size_t qHash(const OntimeServer& server, size_t seed) {
    return qHashMulti(seed, server.host, server.port, int(server.api), server.version);
}

std::optional<QUrl> ontimeUrl(const QString& host, int port, const QString& path) {
    const QString text = QStringLiteral("http://") + host + QLatin1Char(':') +
                         QString::number(port) + QLatin1Char('/') + path;
    const QUrl url(text, QUrl::StrictMode);
    // A host such as "a/b" or "user@b" still parses, but names another machine than the one
    // typed: nothing may be sent there.
    if (!url.isValid() || url.host().isEmpty() || url.host().compare(host, Qt::CaseInsensitive) ||
        url.port() != port)
        return std::nullopt;
    return url;
}

namespace {

template <typename Record, typename Read>
std::optional<Record> decodeObject(const QByteArray& body, Read read) {
    const auto object = Json::parseObject(body);
    if (!object)
        return std::nullopt;
    Json::Reader reader(*object);
    Record record = read(reader);
    if (!reader.ok())
        return std::nullopt;
    return record;
}

// Reads an optional nested object; a wrong type inside it fails the outer reader too.
template <typename Record, typename Read>
std::optional<Record> nested(Json::Reader& outer, const QString& key, Read read) {
    const auto object = outer.optionalObject(key);
    if (!object)
        return std::nullopt;
    Json::Reader reader(*object);
    Record record = read(reader);
    if (!reader.ok()) {
        outer.fail();
        return std::nullopt;
    }
    return record;
}

RuntimeData::Message::TimerMessage readTimerMessage(Json::Reader& reader) {
    RuntimeData::Message::TimerMessage message;
    message.text = reader.optionalString(QStringLiteral("text"));
    message.visible = reader.optionalBool(QStringLiteral("visible"));
    message.blink = reader.optionalBool(QStringLiteral("blink"));
    message.secondarySource = reader.optionalString(QStringLiteral("secondarySource"));
    return message;
}

RuntimeData::Message::External readExternal(Json::Reader& reader) {
    RuntimeData::Message::External external;
    external.text = reader.optionalString(QStringLiteral("text"));
    external.visible = reader.optionalBool(QStringLiteral("visible"));
    return external;
}

RuntimeData::Message readMessage(Json::Reader& reader) {
    RuntimeData::Message message;
    message.timer = nested<RuntimeData::Message::TimerMessage>(reader, QStringLiteral("timer"),
                                                               readTimerMessage);
    message.secondary = reader.optionalString(QStringLiteral("secondary"));
    message.external =
        nested<RuntimeData::Message::External>(reader, QStringLiteral("external"), readExternal);
    return message;
}

// An absent time passes; a present one must lie within the limit.
std::optional<double> plausibleTime(Json::Reader& reader, const QString& key, double unitMs) {
    const auto value = reader.optionalNumber(key);
    if (value && !(std::fabs(*value * unitMs) < OntimeLimits::timerMs))
        reader.fail();
    return value;
}

RuntimeData readRuntimeData(Json::Reader& reader) {
    RuntimeData data;
    data.clock = reader.optionalNumber(QStringLiteral("clock"));
    data.timer = nested<RuntimeData::Timer>(reader, QStringLiteral("timer"), [](auto& timer) {
        return RuntimeData::Timer{plausibleTime(timer, QStringLiteral("current"), 1),
                                  timer.optionalString(QStringLiteral("playback"))};
    });
    data.eventNow = nested<RuntimeData::Event>(reader, QStringLiteral("eventNow"), [](auto& event) {
        return RuntimeData::Event{event.optionalString(QStringLiteral("title"))};
    });
    data.message = nested<RuntimeData::Message>(reader, QStringLiteral("message"), readMessage);
    return data;
}

} // namespace

std::optional<VersionResponse> VersionResponse::decode(const QByteArray& body) {
    return decodeObject<VersionResponse>(body, [](Json::Reader& reader) {
        return VersionResponse{
            Json::capped(reader.requiredString(QStringLiteral("payload")), OntimeLimits::version)};
    });
}

std::optional<LegacyInfo> LegacyInfo::decode(const QByteArray& body) {
    return decodeObject<LegacyInfo>(body, [](Json::Reader& reader) {
        return LegacyInfo{reader.requiredInteger(QStringLiteral("serverPort"))};
    });
}

std::optional<PollResponse> PollResponse::decode(const QByteArray& body) {
    return decodeObject<PollResponse>(body, [](Json::Reader& reader) {
        PollResponse response;
        const auto payload = reader.requiredObject(QStringLiteral("payload"));
        if (payload) {
            Json::Reader inner(*payload);
            response.payload = readRuntimeData(inner);
            if (!inner.ok())
                reader.fail();
        }
        return response;
    });
}

std::optional<LegacyPoll> LegacyPoll::decode(const QByteArray& body) {
    return decodeObject<LegacyPoll>(body, [](Json::Reader& reader) {
        return LegacyPoll{plausibleTime(reader, QStringLiteral("running"), 1000),
                          reader.optionalString(QStringLiteral("playback"))};
    });
}
