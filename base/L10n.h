// Translation of the program's German texts into English and French.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <initializer_list>

// Marks a German text that is looked up later (kept in a table first); it stays as written.
#define ORVL_TEXT(text) text

namespace L10n {

using Table = QHash<QString, QHash<QString, QString>>;

const QStringList& languages();           // "de", "en", "fr"
QString displayName(const QString& code); // "Deutsch", "English", "Français"

// Decided once per process: the stored choice, else the system languages, else English.
QString current();
QString lookup(const QString& germanText);

// Looks up a printf-style German format (%@, %d, %02d, %%) and fills it.
QString format(const QString& germanFormat, std::initializer_list<QVariant> arguments);
QString fill(const QString& format, std::initializer_list<QVariant> arguments);

// The pieces behind current() and the table, for tests.
QString chooseLanguage(const QString& stored, const QStringList& systemLanguages);
Table parseTable(const QByteArray& json); // empty unless the document has exactly the right shape
QString translate(const Table& table, const QString& language, const QString& germanText);
QString tableLocation(); // beside the executable, the installed data folder, else ORVL_STRINGS

} // namespace L10n
