// The talk's time: the stopwatch, the plan of the open deck (a length or an end time) and the
// countdown and pace read from both.
#pragma once

#include "pacing/TalkPace.h"
#include "pacing/TalkTimer.h"

#include <QObject>
#include <QUrl>
#include <optional>

class Clock;

class TalkClock : public QObject {
    Q_OBJECT
public:
    explicit TalkClock(const Clock& clock, QObject* parent = nullptr);

    // From the command line: the plan for every deck of this run, over the stored ones.
    void setCommandLinePlan(const PaceTarget& plan) { commandLinePlan = plan; }
    // The plan of the deck at `url`: the command line's, else the one the speaker stored for it,
    // else `sidecarPlan` (the deck's own file's).
    PaceTarget planFor(const QUrl& url, const PaceTarget& sidecarPlan) const;
    // Counts with this plan from now on.
    void usePlan(const PaceTarget& plan);
    // The speaker's choice for the deck at `url` (empty: none open): stored with it, and it
    // outranks the command line's from here on.
    void choosePlan(const QUrl& url, const PaceTarget& plan);
    PaceTarget plan() const;
    bool hasPlan() const { return pace.has_value(); }

    // The countdown and pace with the current slide `slide` of `slideCount` (hidden ones left
    // out); absent without a plan.
    std::optional<TalkPace::Reading> read(qint64 slide, qint64 slideCount) const;
    TalkTimer::Display display(const std::optional<TalkPace::Reading>& reading) const {
        return timer.display(reading);
    }

    // The talk timer's time, pauses left out.
    double elapsedSeconds() const { return timer.elapsedSeconds(); }
    void togglePause() { timer.togglePause(); }
    void reset(bool presenting) { timer.reset(presenting); }
    void holdForBreak() { timer.holdForBreak(); }
    void resumeAfterBreak() { timer.resumeAfterBreak(); }

private:
    const Clock& clock;
    TalkTimer timer;
    PaceTarget commandLinePlan;
    std::optional<TalkPace> pace;
};
