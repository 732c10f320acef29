// Where the links led, as a browser keeps it: back returns to the page a link jump left, forward
// undoes a back. Only jumps made by links count; stepping through the talk does not.
#pragma once

#include <QList>

#include <optional>

class LinkHistory {
public:
    // A link went from `from` to another page: forward is forgotten.
    void jumped(qint64 from);
    // The page before the last link jump, with `current` kept for forward; none when no jump is
    // left.
    std::optional<qint64> back(qint64 current);
    std::optional<qint64> forward(qint64 current);
    void clear();
    bool canGoBack() const { return behind.size() > 0; }

    // Older jumps are forgotten beyond this.
    static constexpr qsizetype depth = 100;

private:
    QList<qint64> behind;
    QList<qint64> ahead;
};
