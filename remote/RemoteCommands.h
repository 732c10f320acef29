// The control desk's requests, read from an HTTP path or an OSC address and its arguments.
#pragma once

#include "remote/RemoteTypes.h"

#include <QStringView>
#include <QVariant>
#include <optional>

struct RemoteRequest {
    RemoteCommand command = RemoteCommand::Next;
    int slideNumber = 0; // one-based, for GoTo only; checked against the deck when it is done
    bool operator==(const RemoteRequest&) const = default;
};

// "/api/v1/state" is the one path that only reads.
bool isApiStatePath(QStringView path);
// "/api/v1/next", …, "/api/v1/goto/12"; anything else is no command.
std::optional<RemoteRequest> apiRequest(QStringView path);
// "/orvello/next", …, "/orvello/goto" with the slide number (an integer, a whole float or
// digits) as the argument after the token.
std::optional<RemoteRequest> oscRequest(QStringView address,
                                        const QVariantList& argumentsAfterToken);
// A slide number as typed: digits only, at most six.
std::optional<int> slideNumberFrom(QStringView digits);
