#include "base/Preferences.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSettings>

namespace {

QHash<QString, QVariant>& overrides() {
    static QHash<QString, QVariant> map;
    return map;
}

// The store holds the Stagetimer API key, so only its owner may read it. QSettings writes
// through a temporary file that takes over the mode of the file it replaces, so a store made
// 0600 before its first write stays so.
void restrictToOwner(const QSettings& store) {
    const QString path = store.fileName();
    QFile file(path);
    if (!file.exists()) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (!file.open(QIODevice::WriteOnly))
            return;
        file.close();
    }
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

} // namespace

namespace Preferences {

QVariant value(const QString& key, const QVariant& fallback) {
    if (const auto it = overrides().constFind(key); it != overrides().constEnd())
        return *it;
    QSettings store;
    return store.value(key, fallback);
}

bool contains(const QString& key) {
    return overrides().contains(key) || QSettings().contains(key);
}

QString text(const QString& key, const QString& fallback) {
    const QVariant stored = value(key);
    if (!stored.isValid())
        return fallback;
    // QSettings hands back a one-item list as plain text and vice versa; only text counts here.
    if (stored.typeId() == QMetaType::QStringList || stored.typeId() == QMetaType::QVariantList)
        return fallback;
    return stored.toString();
}

bool flag(const QString& key, bool fallback) {
    const QVariant stored = value(key);
    return stored.isValid() ? stored.toBool() : fallback;
}

qint64 integer(const QString& key, qint64 fallback) {
    const QVariant stored = value(key);
    if (!stored.isValid())
        return fallback;
    bool ok = false;
    const qint64 number = stored.toLongLong(&ok);
    return ok ? number : fallback;
}

void setValue(const QString& key, const QVariant& newValue) {
    overrides().remove(key);
    QSettings store;
    restrictToOwner(store);
    store.setValue(key, newValue);
}

void remove(const QString& key) {
    overrides().remove(key);
    QSettings store;
    restrictToOwner(store);
    store.remove(key);
}

void setOverride(const QString& key, const QVariant& newValue) {
    overrides().insert(key, newValue);
}

bool setOverrideFromArgument(const QString& argument) {
    const qsizetype equals = argument.indexOf(QLatin1Char('='));
    if (equals <= 0)
        return false;
    const QString key = argument.left(equals);
    const QString rawValue = argument.mid(equals + 1);
    QJsonParseError error;
    // Wrapped in an array so that bare scalars ("true", "3", "\"x\"") parse as JSON too.
    const QJsonDocument parsed = QJsonDocument::fromJson("[" + rawValue.toUtf8() + "]", &error);
    if (error.error == QJsonParseError::NoError && parsed.isArray() && parsed.array().size() == 1)
        setOverride(key, parsed.array().at(0).toVariant());
    else
        setOverride(key, rawValue);
    return true;
}

void clearForTests() {
    overrides().clear();
    QSettings store;
    store.clear();
}

} // namespace Preferences
