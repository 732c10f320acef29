// The time a deck's speaker plans for each slide, and the plans that recorded runs suggest.
#pragma once

#include "timing/TalkRun.h"

#include <QList>

struct SlidePlan {
    // Whole seconds per slide, counted from 0; empty means no plan.
    QList<int> seconds;

    // A slide's plan longer than this is a typing error, not a plan.
    static constexpr int longestSlideSeconds = 6000 * 60;

    bool isSet() const { return !seconds.isEmpty(); }
    // A plan made for another slide count no longer says which slide is which.
    bool fits(qsizetype slideCount) const { return isSet() && seconds.size() == slideCount; }
    // The planned time of the slides before `slide`, and of those up to `lastSlide` inclusive.
    qint64 startOf(qsizetype slide) const;
    qint64 totalThrough(qsizetype lastSlide) const;

    bool operator==(const SlidePlan&) const = default;

    // The run's time per slide, rounded to whole seconds, for a deck of `slideCount` slides.
    static SlidePlan fromRun(const TalkRun& run, qsizetype slideCount);
    // Per slide the mean of the runs made for `slideCount` slides; no plan without such a run.
    static SlidePlan averageOf(const QList<TalkRun>& runs, qsizetype slideCount);
    // Per slide the mean of `runs` (those made for `slideCount` slides), unrounded; empty
    // without such a run.
    static QList<double> meanSeconds(const QList<TalkRun>& runs, qsizetype slideCount);

    // "1:05" for 65 seconds, "1:02:05" from an hour on, "-0:30" below zero.
    static QString formatSeconds(qint64 seconds);
    // "90", "1:30" or "1:02:05"; absent for anything else or beyond longestSlideSeconds.
    static std::optional<int> parseSeconds(const QString& text);
};
