#include "net/Json.h"

#include <QJsonDocument>
#include <cmath>

namespace Json {

std::optional<QJsonObject> parseObject(const QByteArray& body) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

std::optional<qint64> integralValue(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    // 2^63 is not representable in qint64; stay inside the exactly convertible range.
    if (!std::isfinite(number) || std::trunc(number) != number || std::fabs(number) >= 9.2e18)
        return std::nullopt;
    return qint64(number);
}

QString capped(const QString& text, qsizetype maxChars) {
    if (text.size() <= maxChars)
        return text;
    qsizetype end = maxChars;
    if (end > 0 && text.at(end - 1).isHighSurrogate())
        --end;
    return text.left(end);
}

bool Reader::has(const QString& key) const {
    return present(key).has_value();
}

std::optional<QJsonValue> Reader::present(const QString& key) const {
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    return value;
}

QString Reader::requiredString(const QString& key) {
    const auto value = optionalString(key);
    if (!value)
        fail();
    return value.value_or(QString());
}

std::optional<QString> Reader::optionalString(const QString& key) {
    const auto value = present(key);
    if (!value)
        return std::nullopt;
    if (!value->isString()) {
        fail();
        return std::nullopt;
    }
    return value->toString();
}

double Reader::requiredNumber(const QString& key) {
    const auto value = optionalNumber(key);
    if (!value)
        fail();
    return value.value_or(0.0);
}

std::optional<double> Reader::optionalNumber(const QString& key) {
    const auto value = present(key);
    if (!value)
        return std::nullopt;
    if (!value->isDouble() || !std::isfinite(value->toDouble())) {
        fail();
        return std::nullopt;
    }
    return value->toDouble();
}

qint64 Reader::requiredInteger(const QString& key) {
    const auto value = optionalInteger(key);
    if (!value)
        fail();
    return value.value_or(0);
}

std::optional<qint64> Reader::optionalInteger(const QString& key) {
    const auto value = present(key);
    if (!value)
        return std::nullopt;
    const auto integral = integralValue(*value);
    if (!integral)
        fail();
    return integral;
}

bool Reader::requiredBool(const QString& key) {
    const auto value = optionalBool(key);
    if (!value)
        fail();
    return value.value_or(false);
}

std::optional<bool> Reader::optionalBool(const QString& key) {
    const auto value = present(key);
    if (!value)
        return std::nullopt;
    if (!value->isBool()) {
        fail();
        return std::nullopt;
    }
    return value->toBool();
}

std::optional<QJsonObject> Reader::requiredObject(const QString& key) {
    const auto value = optionalObject(key);
    if (!value)
        fail();
    return value;
}

std::optional<QJsonObject> Reader::optionalObject(const QString& key) {
    const auto value = present(key);
    if (!value)
        return std::nullopt;
    if (!value->isObject()) {
        fail();
        return std::nullopt;
    }
    return value->toObject();
}

std::optional<QJsonArray> Reader::optionalArray(const QString& key) {
    const auto value = present(key);
    if (!value)
        return std::nullopt;
    if (!value->isArray()) {
        fail();
        return std::nullopt;
    }
    return value->toArray();
}

} // namespace Json
