// The deck moving on by itself after a page's display time (/Dur) while presenting, until the
// speaker takes over.
#pragma once

#include "net/Clock.h"

#include <QtGlobal>

#include <functional>
#include <memory>
#include <optional>

class AutoAdvance {
public:
    explicit AutoAdvance(Clock& clock);

    // Called when a page's time is up.
    std::function<void()> advance;

    // The talk as it is now: the page shown, how long it stays (none: until the speaker moves
    // on), and whether a presentation runs. A page's time starts when it arrives.
    void show(qint64 page, std::optional<double> seconds, bool presenting);
    // A key or a click: the speaker moves on from now on, until the next presentation starts.
    void takeOver();
    bool isWaiting() const { return timer != nullptr; }

private:
    void cancel();

    Clock& clock;
    std::shared_ptr<ClockTimer> timer;
    bool presenting = false;
    bool takenOver = false;
    std::optional<qint64> shownPage;
};
