#include "automation/ScriptedPrompts.h"

#include "automation/Automation.h"
#include "base/Preferences.h"

#include <QJsonArray>

void ScriptedPrompts::alert(const QString& message, const QString& informative) {
    Automation::printEvent({{QStringLiteral("event"), QStringLiteral("alert")},
                            {QStringLiteral("message"), message},
                            {QStringLiteral("informative"), informative}});
}

void ScriptedPrompts::notice(const QString& message, const QString& informative) {
    alert(message, informative);
}

std::optional<QString> ScriptedPrompts::password(const QString& name, bool again) {
    Automation::printEvent({{QStringLiteral("event"), QStringLiteral("password")},
                            {QStringLiteral("informative"), name},
                            {QStringLiteral("again"), again}});
    const QString answer = Preferences::text(QStringLiteral("automationPassword"));
    return again || answer.isEmpty() ? std::nullopt : std::optional<QString>(answer);
}

bool ScriptedPrompts::confirmQuit(const QString& message) {
    Automation::printEvent({{QStringLiteral("event"), QStringLiteral("confirm")},
                            {QStringLiteral("message"), message}});
    return false;
}

bool ScriptedPrompts::confirmDeckChange(const QString& message) {
    Automation::printEvent({{QStringLiteral("event"), QStringLiteral("confirm")},
                            {QStringLiteral("message"), message}});
    return Preferences::flag(QStringLiteral("automationSwitchDeck"));
}

int ScriptedPrompts::ask(const QString& message, const QStringList& buttons) {
    Automation::printEvent({{QStringLiteral("event"), QStringLiteral("alert")},
                            {QStringLiteral("message"), message},
                            {QStringLiteral("buttons"), QJsonArray::fromStringList(buttons)}});
    return 0;
}

void ScriptedPrompts::about(const QString&, const QString& text) {
    Automation::printEvent(
        {{QStringLiteral("event"), QStringLiteral("about")}, {QStringLiteral("message"), text}});
}
