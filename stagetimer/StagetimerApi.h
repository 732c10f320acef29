// Where Stagetimer requests go, how they are built, and how each answer becomes a payload or one
// message text.
#pragma once

#include "net/Http.h"
#include "stagetimer/STRecords.h"

#include <QString>
#include <QStringList>
#include <optional>

// The outcome of one request: the decoded payload, or one user-visible message text.
template <class Payload> struct StagetimerResult {
    std::optional<Payload> payload;
    QString failure;
    bool settingsInvalid = false; // refused before sending: trying again cannot help

    bool succeeded() const { return payload.has_value(); }
    static StagetimerResult success(Payload value) { return {std::move(value), {}}; }
    static StagetimerResult failed(const QString& text) { return {std::nullopt, text}; }
};

namespace StagetimerApi {

inline const QString cloudBase = QStringLiteral("https://api.stagetimer.io/v1");
// How the cloud is named where the server setting is empty.
inline const QString cloudDisplayName = QStringLiteral("stagetimer.io");

constexpr int inactivityTimeoutMs = 4000;
// A server that drips bytes never trips the inactivity timeout; this ends such a request.
constexpr int requestDeadlineMs = 10000;

// The base addresses to try for a server setting, in order.
QStringList candidates(const QString& server);

// base + "/" + path + "?room_id=" + the encoded room + extra (appended as it is).
QString address(const QString& base, const QString& path, const QString& room,
                const QString& extra);

// The room ID with every byte outside the URL query character set written as %XX.
QString encodeRoom(const QString& room);

enum class RequestProblem { None, InvalidAddress, InvalidKey };

// The GET request with the bearer key; `problem` says why none could be built.
std::optional<HttpRequest> request(const QString& address, const QString& apiKey,
                                   RequestProblem* problem);

// Folds an answer into a result and records the HTTP code the way the connection logic reads it:
// a transport failure leaves `lastHTTPCode`, an answer without HTTP status sets it to 0.
template <class Payload>
StagetimerResult<Payload> interpret(const HttpResult& answer, int& lastHTTPCode);

} // namespace StagetimerApi
