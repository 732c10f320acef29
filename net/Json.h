// Strict reading of JSON records: required vs optional, null as absent, a wrong type fails the
// record.
#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <optional>

namespace Json {

// Parses a body whose top level must be an object.
std::optional<QJsonObject> parseObject(const QByteArray& body);

// Reads members of one object. Any violation sets ok() to false; callers then drop the record.
class Reader {
public:
    explicit Reader(const QJsonObject& object) : object(object) {}

    bool ok() const { return valid; }
    void fail() { valid = false; }
    bool has(const QString& key) const; // present and not null

    QString requiredString(const QString& key);
    std::optional<QString> optionalString(const QString& key);
    // Finite numbers only: 1e999 parses as infinity and fails.
    double requiredNumber(const QString& key);
    std::optional<double> optionalNumber(const QString& key);
    // Integral numbers only: 3.5 or 1e300 fail.
    qint64 requiredInteger(const QString& key);
    std::optional<qint64> optionalInteger(const QString& key);
    bool requiredBool(const QString& key);
    std::optional<bool> optionalBool(const QString& key);
    std::optional<QJsonObject> requiredObject(const QString& key);
    std::optional<QJsonObject> optionalObject(const QString& key);
    std::optional<QJsonArray> optionalArray(const QString& key);

private:
    std::optional<QJsonValue> present(const QString& key) const;

    QJsonObject object;
    bool valid = true;
};

std::optional<qint64> integralValue(const QJsonValue& value);

// At most `maxChars` UTF-16 units of a server's text, never cutting a character in two: texts are
// bounded where they are applied, so no label lays out a megabyte.
QString capped(const QString& text, qsizetype maxChars);

} // namespace Json
