#include "stagetimer/StagetimerApi.h"

#include "base/L10n.h"

#include <QUrl>

namespace StagetimerApi {

QStringList candidates(const QString& server) {
    if (server.isEmpty())
        return {cloudBase};
    if (!server.startsWith(QLatin1String("http://")) &&
        !server.startsWith(QLatin1String("https://"))) {
        const QString host = QStringLiteral("http://") + server;
        return {host + QStringLiteral("/api/v1"), host + QStringLiteral("/v1"), host};
    }
    QString url = server;
    if (url.endsWith(QLatin1Char('/')))
        url.chop(1);
    return {url, url + QStringLiteral("/api/v1"), url + QStringLiteral("/v1")};
}

QString encodeRoom(const QString& room) {
    // Unreserved characters stay as they are anyway; these are the rest of the query set.
    return QString::fromLatin1(room.toUtf8().toPercentEncoding("!$&'()*+,;=:@/?"));
}

QString address(const QString& base, const QString& path, const QString& room,
                const QString& extra) {
    return base + QLatin1Char('/') + path + QStringLiteral("?room_id=") + encodeRoom(room) + extra;
}

std::optional<HttpRequest> request(const QString& address, const QString& apiKey,
                                   RequestProblem* problem) {
    *problem = RequestProblem::None;
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        *problem = RequestProblem::InvalidAddress;
        return std::nullopt;
    }
    // A line break in the key would end the header and let the rest pass as a header of its own.
    for (const QChar c : apiKey) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            *problem = RequestProblem::InvalidKey;
            return std::nullopt;
        }
    }
    HttpRequest request;
    request.url = url;
    request.headers.append({QByteArrayLiteral("Authorization"), "Bearer " + apiKey.toUtf8()});
    request.timeoutMs = inactivityTimeoutMs;
    request.deadlineMs = requestDeadlineMs;
    return request;
}

template <class Payload>
StagetimerResult<Payload> interpret(const HttpResult& answer, int& lastHTTPCode) {
    using Result = StagetimerResult<Payload>;
    if (answer.kind == HttpResult::Kind::TransportFailure)
        return Result::failed(L10n::lookup("Server nicht erreichbar"));

    const int code = answer.kind == HttpResult::Kind::Response ? answer.status : 0;
    lastHTTPCode = code;
    std::optional<STResponse<Payload>> response;
    if (!answer.bodyTooLarge)
        response = STResponse<Payload>::decode(answer.body);
    const std::optional<QString> message = response ? response->message : std::nullopt;

    if (code >= 200 && code <= 299) {
        if (response && response->data)
            return Result::success(*response->data);
        return Result::failed(message.value_or(L10n::lookup("Unerwartete Antwort")));
    }
    if (code == 401 || code == 403)
        return Result::failed(L10n::lookup("API-Key ungültig"));
    if (code == 404)
        return Result::failed(message.value_or(L10n::lookup("Raum nicht gefunden")));
    if (code == 429)
        return Result::failed(L10n::lookup("Zu viele Anfragen – kurz warten"));
    return Result::failed(message.value_or(QStringLiteral("HTTP %1").arg(code)));
}

template StagetimerResult<STStatus> interpret<STStatus>(const HttpResult&, int&);
template StagetimerResult<STTimer> interpret<STTimer>(const HttpResult&, int&);
template StagetimerResult<STMessages> interpret<STMessages>(const HttpResult&, int&);

} // namespace StagetimerApi
