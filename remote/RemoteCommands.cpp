#include "remote/RemoteCommands.h"

#include <cmath>

namespace {

const QString apiPrefix = QStringLiteral("/api/v1/");
const QString oscPrefix = QStringLiteral("/orvello/");

std::optional<int> slideNumberArgument(const QVariant& argument) {
    switch (argument.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
        if (argument.toLongLong() >= 1 && argument.toLongLong() <= 999'999)
            return int(argument.toLongLong());
        return std::nullopt;
    case QMetaType::Float:
    case QMetaType::Double: {
        const double number = argument.toDouble();
        if (std::isfinite(number) && number >= 1 && number <= 999'999 &&
            number == std::floor(number))
            return int(number);
        return std::nullopt;
    }
    case QMetaType::QString:
        return slideNumberFrom(argument.toString());
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<int> slideNumberFrom(QStringView digits) {
    if (digits.isEmpty() || digits.size() > 6)
        return std::nullopt;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    const int number = digits.toInt();
    return number >= 1 ? std::optional<int>(number) : std::nullopt;
}

bool isApiStatePath(QStringView path) {
    static const QString statePath = apiPrefix + QStringLiteral("state");
    return path == statePath;
}

std::optional<RemoteRequest> apiRequest(QStringView path) {
    if (!path.startsWith(apiPrefix))
        return std::nullopt;
    const QStringView rest = path.mid(apiPrefix.size());
    if (rest.startsWith(QLatin1String("goto/"))) {
        if (const auto number = slideNumberFrom(rest.mid(5)))
            return RemoteRequest{RemoteCommand::GoTo, *number};
        return std::nullopt;
    }
    const auto command = remoteCommandNamed(rest);
    if (!command || *command == RemoteCommand::GoTo)
        return std::nullopt;
    return RemoteRequest{*command, 0};
}

std::optional<RemoteRequest> oscRequest(QStringView address, const QVariantList& arguments) {
    if (!address.startsWith(oscPrefix))
        return std::nullopt;
    const auto command = remoteCommandNamed(address.mid(oscPrefix.size()));
    if (!command)
        return std::nullopt;
    if (*command != RemoteCommand::GoTo)
        return arguments.isEmpty() ? std::optional(RemoteRequest{*command, 0}) : std::nullopt;
    if (arguments.size() != 1)
        return std::nullopt;
    if (const auto number = slideNumberArgument(arguments.first()))
        return RemoteRequest{RemoteCommand::GoTo, *number};
    return std::nullopt;
}
