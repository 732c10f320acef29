#include "base/L10n.h"

#include "base/DataFiles.h"
#include "base/Preferences.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

namespace L10n {

const QStringList& languages() {
    static const QStringList codes{QStringLiteral("de"), QStringLiteral("en"),
                                   QStringLiteral("fr")};
    return codes;
}

QString displayName(const QString& code) {
    if (code == QLatin1String("de"))
        return QStringLiteral("Deutsch");
    if (code == QLatin1String("en"))
        return QStringLiteral("English");
    if (code == QLatin1String("fr"))
        return QStringLiteral("Français");
    return code;
}

QString chooseLanguage(const QString& stored, const QStringList& systemLanguages) {
    if (languages().contains(stored))
        return stored;
    for (const QString& entry : systemLanguages) {
        const QString prefix = entry.left(2);
        if (languages().contains(prefix))
            return prefix;
    }
    return QStringLiteral("en");
}

QString current() {
    static const QString chosen = chooseLanguage(Preferences::text(QStringLiteral("appLanguage")),
                                                 QLocale::system().uiLanguages());
    return chosen;
}

Table parseTable(const QByteArray& json) {
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isObject())
        return {};
    Table table;
    const QJsonObject top = document.object();
    for (auto entry = top.begin(); entry != top.end(); ++entry) {
        if (!entry.value().isObject())
            return {};
        QHash<QString, QString> translations;
        const QJsonObject byLanguage = entry.value().toObject();
        for (auto translation = byLanguage.begin(); translation != byLanguage.end();
             ++translation) {
            if (!translation.value().isString())
                return {};
            translations.insert(translation.key(), translation.value().toString());
        }
        table.insert(entry.key(), translations);
    }
    return table;
}

QString tableLocation() {
    const QString bundled = DataFiles::find(QStringLiteral("strings.json"));
    if (!bundled.isEmpty())
        return bundled;
    return qEnvironmentVariable("ORVL_STRINGS");
}

QString translate(const Table& table, const QString& language, const QString& germanText) {
    if (language == QLatin1String("de"))
        return germanText;
    const auto entry = table.constFind(germanText);
    if (entry == table.constEnd())
        return germanText;
    const auto translation = entry->constFind(language);
    return translation == entry->constEnd() ? germanText : *translation;
}

namespace {

const Table& loadedTable() {
    static const Table table = [] {
        QFile file(tableLocation());
        if (file.fileName().isEmpty() || !file.open(QIODevice::ReadOnly))
            return Table{};
        return parseTable(file.readAll());
    }();
    return table;
}

} // namespace

QString lookup(const QString& germanText) {
    if (current() == QLatin1String("de"))
        return germanText;
    return translate(loadedTable(), current(), germanText);
}

QString fill(const QString& format, std::initializer_list<QVariant> arguments) {
    QString result;
    result.reserve(format.size() + 16);
    auto next = arguments.begin();
    auto takeArgument = [&]() -> QVariant {
        return next == arguments.end() ? QVariant() : *next++;
    };
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c != QLatin1Char('%') || i + 1 >= format.size()) {
            result += c;
            continue;
        }
        const QStringView rest = QStringView(format).mid(i + 1);
        if (rest.startsWith(QLatin1Char('%'))) {
            result += QLatin1Char('%');
            i += 1;
        } else if (rest.startsWith(QLatin1Char('@'))) {
            result += takeArgument().toString();
            i += 1;
        } else if (rest.startsWith(QLatin1Char('d'))) {
            result += QString::number(takeArgument().toLongLong());
            i += 1;
        } else if (rest.startsWith(QLatin1String("02d"))) {
            const qint64 number = takeArgument().toLongLong();
            // Unsigned, so that the smallest qint64 has a magnitude too.
            const quint64 magnitude = number < 0 ? 0 - quint64(number) : quint64(number);
            result += (number < 0 ? QStringLiteral("-") : QString()) +
                      QStringLiteral("%1").arg(magnitude, 2, 10, QLatin1Char('0'));
            i += 3;
        } else {
            result += c;
        }
    }
    return result;
}

QString format(const QString& germanFormat, std::initializer_list<QVariant> arguments) {
    return fill(lookup(germanFormat), arguments);
}

} // namespace L10n
