// The JSON records of the Stagetimer API: every field optional, null as absent, a wrong type
// fails the whole answer.
#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <optional>

// Longest texts kept from a server; longer ones are cut when applied.
namespace STLimits {
inline constexpr qsizetype name = 200;
inline constexpr qsizetype message = 500;
// A timer spanning 100 hours or more is no stage timer: such a status does not decode.
inline constexpr double spanMs = 100.0 * 3600 * 1000;
} // namespace STLimits

// Payload of "get_status". Instants are milliseconds since 1970-01-01 UTC.
struct STStatus {
    std::optional<QString> timerID;
    std::optional<bool> running;
    std::optional<double> start;
    std::optional<double> finish;
    std::optional<double> pause;
    std::optional<double> serverTime;

    static std::optional<STStatus> fromJson(const QJsonValue& data);
};

// Payload of "get_timer".
struct STTimer {
    std::optional<QString> name;

    static std::optional<STTimer> fromJson(const QJsonValue& data);
};

// One message of the room.
struct STMessage {
    std::optional<bool> showing;
    std::optional<QString> text;
    std::optional<QString> color;

    static std::optional<STMessage> fromJson(const QJsonValue& element);
};

// Payload of "get_all_messages".
struct STMessages {
    std::optional<QList<STMessage>> messages;

    // The live API sends the list itself as "data"; {"messages": [...]} is accepted as well.
    static std::optional<STMessages> fromJson(const QJsonValue& data);
    // The text of the first showing message; empty when none shows or its text is absent.
    QString showingText() const;
};

// The envelope of every answer.
template <class Payload> struct STResponse {
    std::optional<bool> ok;
    std::optional<QString> message;
    std::optional<Payload> data;

    // Empty when the body is not JSON, is not an object, or any known key has the wrong type.
    static std::optional<STResponse> decode(const QByteArray& body);
};

extern template struct STResponse<STStatus>;
extern template struct STResponse<STTimer>;
extern template struct STResponse<STMessages>;
