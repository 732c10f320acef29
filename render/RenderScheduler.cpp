#include "render/RenderScheduler.h"

#include <tuple>

void RenderScheduler::want(Source source, RenderPriority priority, const QList<RenderKey>& keys) {
    if (keys.isEmpty()) {
        wants.remove(source);
        return;
    }
    Wants& entry = wants[source];
    // Asking again for the same keeps the place in the line.
    if (entry.keys == keys && entry.priority == priority && entry.sequence != 0)
        return;
    entry = {priority, ++nextSequence, keys};
}

void RenderScheduler::settle(const RenderKey& key) {
    for (auto entry = wants.begin(); entry != wants.end();) {
        entry->keys.removeAll(key);
        entry = entry->keys.isEmpty() ? wants.erase(entry) : std::next(entry);
    }
}

std::optional<RenderScheduler::Pick>
RenderScheduler::next(const std::function<bool(const RenderKey&)>& skip) const {
    std::optional<Pick> best;
    std::tuple<int, quint64, qsizetype> bestRank;
    for (const Wants& entry : wants) {
        for (qsizetype position = 0; position < entry.keys.size(); ++position) {
            const RenderKey& key = entry.keys.at(position);
            const std::tuple rank(int(entry.priority), entry.sequence, position);
            if ((best && rank >= bestRank) || skip(key))
                continue;
            best = Pick{key, entry.priority};
            bestRank = rank;
            break; // later keys of this list rank lower
        }
    }
    return best;
}

std::optional<RenderPriority> RenderScheduler::priorityOf(const RenderKey& key) const {
    std::optional<RenderPriority> best;
    for (const Wants& entry : wants) {
        if ((!best || entry.priority < *best) && entry.keys.contains(key))
            best = entry.priority;
    }
    return best;
}
