// Opens a deck as the controller does and waits, the event loop running, until the load ends.
#pragma once

#include "document/Deck.h"

#include <QtTest>

#include <memory>
#include <optional>

namespace TestSupport {

inline bool openDeck(Deck& deck, const QUrl& url, OpenStatus* status = nullptr,
                     const QString& password = {}) {
    // Shared, so that a load that outlives a failed wait writes nowhere it must not.
    const auto ended = std::make_shared<std::optional<OpenStatus>>();
    deck.load(
        url, [ended](OpenStatus outcome) { *ended = outcome; }, password);
    if (!QTest::qWaitFor([&] { return ended->has_value(); }, 30000))
        return false;
    if (status)
        *status = **ended;
    return **ended == OpenStatus::ok;
}

} // namespace TestSupport
