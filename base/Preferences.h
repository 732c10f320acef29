// The one user preferences store, with per-run overrides from the command line.
#pragma once

#include <QString>
#include <QVariant>

namespace Preferences {

// Absent keys read as `fallback`. An override set for this run wins over the store.
QVariant value(const QString& key, const QVariant& fallback = {});
bool contains(const QString& key);
QString text(const QString& key, const QString& fallback = {});
bool flag(const QString& key, bool fallback = false);
qint64 integer(const QString& key, qint64 fallback = 0);

// Writes go to the store and replace any override of the same key.
void setValue(const QString& key, const QVariant& value);
void remove(const QString& key);

// "--set KEY=VALUE": the value counts for this run only and is never stored.
void setOverride(const QString& key, const QVariant& value);
// Parses "KEY=VALUE"; the value is read as JSON when it parses, else as text.
bool setOverrideFromArgument(const QString& argument);

// Drops every stored key and override (tests only; they run on a private store).
void clearForTests();

} // namespace Preferences
