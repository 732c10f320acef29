#include "remote/RemoteTypes.h"

#include "base/Preferences.h"

#include <QJsonArray>
#include <QNetworkInterface>
#include <array>

namespace {

constexpr std::array<std::pair<RemoteCommand, const char*>, 8> commandNames{{
    {RemoteCommand::Next, "next"},
    {RemoteCommand::Previous, "previous"},
    {RemoteCommand::GoTo, "goto"},
    {RemoteCommand::Black, "black"},
    {RemoteCommand::White, "white"},
    {RemoteCommand::Show, "show"},
    {RemoteCommand::Start, "start"},
    {RemoteCommand::Stop, "stop"},
}};

QString blankName(RemoteBlank blank) {
    switch (blank) {
    case RemoteBlank::Black:
        return QStringLiteral("black");
    case RemoteBlank::White:
        return QStringLiteral("white");
    case RemoteBlank::None:
        break;
    }
    return QStringLiteral("none");
}

QJsonValue optionalNumber(const std::optional<int>& number) {
    return number ? QJsonValue(*number) : QJsonValue(QJsonValue::Null);
}

quint16 portPreference(const QString& key, quint16 fallback) {
    const qint64 port = Preferences::integer(key, fallback);
    return port >= 0 && port <= 65535 ? quint16(port) : fallback;
}

// Ethernet, Wi-Fi and bridges only: never docker, veth, virbr or tun.
bool acceptedInterface(const QNetworkInterface& interface) {
    static const QStringList prefixes{QStringLiteral("en"), QStringLiteral("eth"),
                                      QStringLiteral("wl"), QStringLiteral("bridge")};
    return std::any_of(prefixes.begin(), prefixes.end(),
                       [&](const QString& prefix) { return interface.name().startsWith(prefix); });
}

QHostAddress firstIPv4(const QNetworkInterface& interface) {
    if (!interface.flags().testFlag(QNetworkInterface::IsUp))
        return {};
    for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
        const QHostAddress ip = entry.ip();
        if (ip.protocol() == QAbstractSocket::IPv4Protocol && !ip.isLinkLocal())
            return ip;
    }
    return {};
}

} // namespace

QString remoteCommandName(RemoteCommand command) {
    for (const auto& [known, name] : commandNames) {
        if (known == command)
            return QLatin1String(name);
    }
    return {};
}

std::optional<RemoteCommand> remoteCommandNamed(QStringView name) {
    for (const auto& [command, known] : commandNames) {
        if (name == QLatin1String(known))
            return command;
    }
    return std::nullopt;
}

QJsonObject phoneStateJson(const RemoteState& state) {
    return {
        {QStringLiteral("type"), QStringLiteral("state")},
        {QStringLiteral("slide"), state.slideCount > 0 ? state.slideIndex + 1 : 0},
        {QStringLiteral("count"), state.slideCount},
        {QStringLiteral("blanking"), blankName(state.blank)},
        {QStringLiteral("presenting"), state.presenting},
        {QStringLiteral("typed"), state.typed},
        {QStringLiteral("talkTime"), state.talkTime},
        {QStringLiteral("talkColour"), state.talkColour},
        {QStringLiteral("remaining"), optionalNumber(state.remainingSeconds)},
        {QStringLiteral("external"), state.externalTimer},
        {QStringLiteral("notesHtml"), state.notesHtml},
        {QStringLiteral("notesText"), state.notesText},
        {QStringLiteral("currentPage"), state.currentPage},
        {QStringLiteral("nextPage"), state.nextPage},
        {QStringLiteral("generation"), QString::number(state.deckGeneration)},
    };
}

QJsonObject apiStateJson(const RemoteState& state) {
    return {
        {QStringLiteral("slide"), state.slideCount > 0 ? state.slideIndex + 1 : 0},
        {QStringLiteral("count"), state.slideCount},
        {QStringLiteral("blanking"), blankName(state.blank)},
        {QStringLiteral("presenting"), state.presenting},
        {QStringLiteral("talkTime"), state.talkTime},
        {QStringLiteral("remaining"), optionalNumber(state.remainingSeconds)},
    };
}

RemoteSettings RemoteSettings::fromPreferences() {
    RemoteSettings settings;
    settings.enabled = Preferences::flag(QStringLiteral("remoteEnabled"), false);
    settings.interfaceName = Preferences::text(QStringLiteral("remoteInterface")).trimmed();
    settings.httpPort = portPreference(QStringLiteral("remotePort"), settings.httpPort);
    settings.oscPort = portPreference(QStringLiteral("remoteOscPort"), settings.oscPort);
    return settings;
}

QHostAddress remoteListenAddress(const QString& interfaceName) {
    QHostAddress literal;
    if (literal.setAddress(interfaceName))
        return literal.protocol() == QAbstractSocket::IPv4Protocol ? literal : QHostAddress();
    if (!interfaceName.isEmpty())
        return firstIPv4(QNetworkInterface::interfaceFromName(interfaceName));
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        if (acceptedInterface(interface)) {
            if (const QHostAddress ip = firstIPv4(interface); !ip.isNull())
                return ip;
        }
    }
    return {};
}

QJsonObject RemoteStatus::toJson() const {
    QJsonArray clientList;
    for (const RemoteClient& client : clients) {
        clientList.append(QJsonObject{{QStringLiteral("name"), client.name},
                                      {QStringLiteral("controlling"), client.controlling}});
    }
    return {
        {QStringLiteral("listening"), listening},
        {QStringLiteral("address"), address},
        {QStringLiteral("httpPort"), httpPort},
        {QStringLiteral("oscPort"), oscPort},
        {QStringLiteral("clients"), clientList},
        {QStringLiteral("controlling"),
         controlling.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(controlling)},
    };
}
