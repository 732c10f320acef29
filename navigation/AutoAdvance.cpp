#include "navigation/AutoAdvance.h"

#include <cmath>

AutoAdvance::AutoAdvance(Clock& clock) : clock(clock) {}

void AutoAdvance::show(qint64 page, std::optional<double> seconds, bool nowPresenting) {
    if (!nowPresenting) {
        cancel();
        presenting = false;
        shownPage.reset();
        return;
    }
    if (!presenting) {
        presenting = true;
        takenOver = false;
    }
    if (shownPage == page)
        return;
    shownPage = page;
    cancel();
    if (takenOver || !seconds || !(*seconds > 0))
        return;
    timer = clock.after(int(std::lround(std::min(*seconds, 24 * 3600.0) * 1000)), [this] {
        timer.reset();
        if (advance)
            advance();
    });
}

void AutoAdvance::takeOver() {
    if (!presenting)
        return;
    takenOver = true;
    cancel();
}

void AutoAdvance::cancel() {
    if (timer)
        timer->cancel();
    timer.reset();
}
