#include "navigation/LinkHistory.h"

namespace {

void push(QList<qint64>& stack, qint64 page) {
    stack.append(page);
    if (stack.size() > LinkHistory::depth)
        stack.removeFirst();
}

} // namespace

void LinkHistory::jumped(qint64 from) {
    push(behind, from);
    ahead.clear();
}

std::optional<qint64> LinkHistory::back(qint64 current) {
    if (behind.isEmpty())
        return std::nullopt;
    push(ahead, current);
    return behind.takeLast();
}

std::optional<qint64> LinkHistory::forward(qint64 current) {
    if (ahead.isEmpty())
        return std::nullopt;
    push(behind, current);
    return ahead.takeLast();
}

void LinkHistory::clear() {
    behind.clear();
    ahead.clear();
}
