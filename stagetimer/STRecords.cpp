#include "stagetimer/STRecords.h"

#include "net/Json.h"

#include <QJsonArray>
#include <QJsonObject>
#include <cmath>

namespace {

// The spans the countdown is computed from (finish to start, to pause, to the server's now
// while running) must each be shorter than the limit.
bool plausible(const STStatus& status) {
    if (!status.finish)
        return true;
    const auto within = [&](std::optional<double> instant) {
        return !instant || *instant <= 0 || std::fabs(*status.finish - *instant) < STLimits::spanMs;
    };
    return within(status.start) && within(status.pause) &&
           (!status.running.value_or(false) || within(status.serverTime));
}

} // namespace

std::optional<STStatus> STStatus::fromJson(const QJsonValue& data) {
    if (!data.isObject())
        return std::nullopt;
    Json::Reader reader(data.toObject());
    STStatus status;
    status.timerID = reader.optionalString(QStringLiteral("timer_id"));
    status.running = reader.optionalBool(QStringLiteral("running"));
    status.start = reader.optionalNumber(QStringLiteral("start"));
    status.finish = reader.optionalNumber(QStringLiteral("finish"));
    status.pause = reader.optionalNumber(QStringLiteral("pause"));
    status.serverTime = reader.optionalNumber(QStringLiteral("server_time"));
    if (!reader.ok() || !plausible(status))
        return std::nullopt;
    return status;
}

std::optional<STTimer> STTimer::fromJson(const QJsonValue& data) {
    if (!data.isObject())
        return std::nullopt;
    Json::Reader reader(data.toObject());
    STTimer timer;
    timer.name = reader.optionalString(QStringLiteral("name"));
    if (!reader.ok())
        return std::nullopt;
    return timer;
}

std::optional<STMessage> STMessage::fromJson(const QJsonValue& element) {
    if (!element.isObject())
        return std::nullopt;
    Json::Reader reader(element.toObject());
    STMessage message;
    message.showing = reader.optionalBool(QStringLiteral("showing"));
    message.text = reader.optionalString(QStringLiteral("text"));
    message.color = reader.optionalString(QStringLiteral("color"));
    if (!reader.ok())
        return std::nullopt;
    return message;
}

namespace {

std::optional<QList<STMessage>> messageList(const QJsonArray& array) {
    QList<STMessage> list;
    list.reserve(array.size());
    for (const QJsonValue& element : array) {
        auto message = STMessage::fromJson(element);
        if (!message)
            return std::nullopt;
        list.append(*message);
    }
    return list;
}

} // namespace

std::optional<STMessages> STMessages::fromJson(const QJsonValue& data) {
    STMessages messages;
    if (data.isArray()) {
        messages.messages = messageList(data.toArray());
        if (!messages.messages)
            return std::nullopt;
        return messages;
    }
    if (!data.isObject())
        return std::nullopt;
    Json::Reader reader(data.toObject());
    const auto array = reader.optionalArray(QStringLiteral("messages"));
    if (!reader.ok())
        return std::nullopt;
    if (array) {
        messages.messages = messageList(*array);
        if (!messages.messages)
            return std::nullopt;
    }
    return messages;
}

QString STMessages::showingText() const {
    if (!messages)
        return {};
    for (const STMessage& message : *messages) {
        if (message.showing.value_or(false))
            return message.text.value_or(QString());
    }
    return {};
}

template <class Payload>
std::optional<STResponse<Payload>> STResponse<Payload>::decode(const QByteArray& body) {
    const auto object = Json::parseObject(body);
    if (!object)
        return std::nullopt;
    Json::Reader reader(*object);
    STResponse response;
    response.ok = reader.optionalBool(QStringLiteral("ok"));
    response.message = reader.optionalString(QStringLiteral("message"));
    if (!reader.ok())
        return std::nullopt;
    const QJsonValue data = object->value(QStringLiteral("data"));
    if (!data.isUndefined() && !data.isNull()) {
        response.data = Payload::fromJson(data);
        if (!response.data)
            return std::nullopt;
    }
    return response;
}

template struct STResponse<STStatus>;
template struct STResponse<STTimer>;
template struct STResponse<STMessages>;
