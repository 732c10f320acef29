// The pace of a talk against its per-slide plan: how far the speaker is behind or ahead at the
// current slide, and the countdown to where the plan ends.
#pragma once

#include "pacing/TalkPace.h"
#include "timing/SlidePlan.h"

#include <optional>

class PlanPace {
public:
    struct Reading {
        // For the timer and the pace line: the countdown to the plan's end (or the talk's, when
        // that comes first) and the slides' shares taken from the plan, not an even split.
        TalkPace::Reading pace;
        // Seconds behind the plan at the current slide (> 0), ahead of it (< 0), or 0 while the
        // time used lies inside the current slide's planned stretch.
        qint64 lagSeconds = 0;
        // A length or an end time bounds the talk: only then is skipping worth offering.
        bool endFixed = false;
    };

    // `endSlide` is the last slide of the talk proper; slides after it (backups) are not planned
    // for. The plan must fit the deck.
    PlanPace(SlidePlan plan, qsizetype endSlide);

    // `talkSeconds` is the talk timer's time; `talk` the reading of the talk's own length or end
    // time, absent without one; `lastMinutes` when the warning colour begins.
    Reading read(double talkSeconds, qsizetype slide, const std::optional<TalkPace::Reading>& talk,
                 int lastMinutes) const;

    const SlidePlan& plan() const { return slidePlan; }
    qsizetype endSlide() const { return lastSlide; }

    // "1:40 hinter Plan", "0:30 voraus" or "im Plan".
    static QString lagText(qint64 lagSeconds);

private:
    SlidePlan slidePlan;
    qsizetype lastSlide;
};
