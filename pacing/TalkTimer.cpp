#include "pacing/TalkTimer.h"

#include "base/Colors.h"
#include "base/L10n.h"
#include "net/Clock.h"

#include <algorithm>
#include <cmath>
#include <utility>

TalkTimer::TalkTimer(const Clock& clock) : clock(clock) {}

double TalkTimer::nowMs() const {
    return clock.nowMs();
}

double TalkTimer::elapsedSeconds() const {
    if (!timerStart)
        return timerAccumulated;
    // A clock set backwards must not make the talk shorter than what was already collected.
    return timerAccumulated + std::max(0.0, (nowMs() - *timerStart) / 1000.0);
}

qint64 TalkTimer::totalSeconds() const {
    return qint64(std::trunc(elapsedSeconds()));
}

void TalkTimer::togglePause() {
    heldForBreak = false;
    if (timerStart) {
        timerAccumulated = elapsedSeconds();
        timerStart.reset();
    } else {
        timerStart = nowMs();
    }
}

void TalkTimer::reset(bool presenting) {
    heldForBreak = false;
    timerAccumulated = 0;
    if (presenting)
        timerStart = nowMs();
    else
        timerStart.reset();
}

void TalkTimer::startIfNeverRun() {
    if (!timerStart && timerAccumulated == 0)
        timerStart = nowMs();
}

void TalkTimer::holdForBreak() {
    if (!timerStart)
        return;
    timerAccumulated = elapsedSeconds();
    timerStart.reset();
    heldForBreak = true;
}

void TalkTimer::resumeAfterBreak() {
    if (std::exchange(heldForBreak, false))
        timerStart = nowMs();
    else
        startIfNeverRun();
}

TalkTimer::Display TalkTimer::display(const std::optional<TalkPace::Reading>& pace) const {
    const qint64 total = totalSeconds();
    const bool running = isRunning();
    const bool paused = !running && total >= 1;
    Display shown;
    shown.colour = running ? Colors::grey(1.0) : Colors::grey(0.55);
    if (!pace) {
        shown.time = formatDuration(total);
        shown.caption =
            paused ? L10n::lookup("Vortragszeit (angehalten)") : L10n::lookup("Vortragszeit");
    } else {
        shown.time = formatDuration(std::abs(pace->remainingSeconds));
        // The warning colours hold while paused too: a stopped timer still says how little is left.
        if (pace->phase == TalkPace::Phase::lastMinutes)
            shown.colour = Colors::orange;
        if (pace->phase == TalkPace::Phase::over) {
            shown.colour = Colors::red;
            shown.caption = L10n::lookup("Überzogen");
        } else {
            shown.caption =
                paused ? L10n::lookup("Restzeit (angehalten)") : L10n::lookup("Restzeit");
        }
    }
    if (running)
        shown.pauseTitle = L10n::lookup("Timer anhalten");
    else if (total < 1)
        shown.pauseTitle = L10n::lookup("Timer starten");
    else
        shown.pauseTitle = L10n::lookup("Timer fortsetzen");
    return shown;
}

QString TalkTimer::formatDuration(qint64 totalSeconds) {
    return L10n::fill(QStringLiteral("%02d:%02d:%02d"),
                      {totalSeconds / 3600, (totalSeconds / 60) % 60, totalSeconds % 60});
}

QString TalkTimer::formatClock(const QDateTime& localTime) {
    return localTime.toString(QStringLiteral("HH:mm:ss"));
}
