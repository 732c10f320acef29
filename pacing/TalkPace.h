// The countdown and the pace of a planned talk at one moment: how long is left, whether the
// last minutes or the overrun have begun, and whether the slides keep up with the time.
#pragma once

#include "pacing/PaceTarget.h"

#include <QString>
#include <QTimeZone>

class Clock;

class TalkPace {
public:
    enum class Phase { normal, lastMinutes, over };
    // Against an even share of the time per slide: the current slide's share lies ahead of the
    // time used (ahead), around it (onPace) or behind it (behind).
    enum class Pace { ahead, onPace, behind };

    struct Reading {
        // Whole seconds left, rounded up, so 00:00:01 shows until time is up; 0 or less once it
        // is up, then minus the overrun.
        qint64 remainingSeconds = 0;
        Phase phase = Phase::normal;
        double timeUsed = 0;   // share of the planned time gone, 0 to 1
        double slidesDone = 0; // share of the slides before the current one
        double slideShare = 0; // the share each slide has
        Pace pace = Pace::onPace;
    };

    // An end time is a moment on the clock, read in `zone`; a length counts the talk timer's time.
    TalkPace(PaceTarget target, const Clock& clock, QTimeZone zone = QTimeZone::systemTimeZone());

    const PaceTarget& target() const { return plan; }

    // `talkSeconds` is the talk timer's time, pauses left out; `slideIndex` counts from 0.
    Reading read(double talkSeconds, qsizetype slideIndex, qsizetype slideCount) const;

    // The moment (ms since 1970) an end time of day stands for, seen at `nowMs`: the next one,
    // unless one passed less than `overrunHours` ago, which is a talk running over.
    static double endMoment(QTime endTime, double nowMs, const QTimeZone& zone);
    static constexpr int overrunHours = 3;

    // "normal", "last-minutes" or "over", as automation reports it.
    static QString phaseName(Phase phase);

private:
    PaceTarget plan;
    const Clock& clock;
    QTimeZone zone;
};
