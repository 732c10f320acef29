// Which page image to draw next: what every requester wants, ordered by what the audience waits
// for.
#pragma once

#include "render/RenderKey.h"

#include <QHash>
#include <QList>

#include <functional>
#include <optional>

// Highest first. Views on screen come before prefetches, the projector before the console.
enum class RenderPriority {
    audienceView,
    consoleView,
    audiencePrefetch,
    consolePrefetch,
    thumbnail,
    deckAhead
};

class RenderScheduler {
public:
    // Whoever wants images: a view or a prefetch plan. Only compared, never dereferenced.
    using Source = const void*;

    struct Pick {
        RenderKey key;
        RenderPriority priority = RenderPriority::deckAhead;
    };

    // Replaces everything `source` wanted by `keys`, most wanted first; an empty list withdraws it.
    // So a view's newer request supersedes its older one, and a prefetch plan made after a jump
    // drops the pages the old one still had queued.
    void want(Source source, RenderPriority priority, const QList<RenderKey>& keys);
    // Nobody waits for `key` any more: it was drawn or cannot be.
    void settle(const RenderKey& key);

    // The most wanted key that `skip` lets through: by priority, then by who asked first, then by
    // the order of that requester's list.
    std::optional<Pick> next(const std::function<bool(const RenderKey&)>& skip) const;
    // The highest priority at which anyone wants `key`.
    std::optional<RenderPriority> priorityOf(const RenderKey& key) const;

private:
    struct Wants {
        RenderPriority priority = RenderPriority::deckAhead;
        quint64 sequence = 0;
        QList<RenderKey> keys;
    };

    QHash<Source, Wants> wants;
    quint64 nextSequence = 0;
};
