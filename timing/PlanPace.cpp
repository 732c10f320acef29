#include "timing/PlanPace.h"

#include "base/L10n.h"

#include <algorithm>
#include <cmath>

PlanPace::PlanPace(SlidePlan plan, qsizetype endSlide)
    : slidePlan(std::move(plan)),
      lastSlide(std::clamp<qsizetype>(endSlide, 0,
                                      std::max<qsizetype>(0, slidePlan.seconds.size() - 1))) {}

PlanPace::Reading PlanPace::read(double talkSeconds, qsizetype slide,
                                 const std::optional<TalkPace::Reading>& talk,
                                 int lastMinutes) const {
    Reading reading;
    reading.endFixed = talk.has_value();
    const double planEnd = double(slidePlan.totalThrough(lastSlide));
    // The talk ends where the plan ends, unless its length or end time comes first: then every
    // slide's planned stretch moves earlier by the difference, and the speaker starts behind.
    double end = planEnd;
    if (talk)
        end = std::min(end, talkSeconds + double(talk->remainingSeconds));
    const double shift = end - planEnd;

    const qsizetype current =
        std::clamp<qsizetype>(slide, 0, std::max<qsizetype>(0, slidePlan.seconds.size() - 1));
    const bool planned = current <= lastSlide && slidePlan.isSet();
    const double slideStart = (planned ? double(slidePlan.startOf(current)) : planEnd) + shift;
    const double slideLength = planned ? double(slidePlan.seconds.at(current)) : 0.0;
    if (talkSeconds > slideStart + slideLength)
        reading.lagSeconds = qint64(std::round(talkSeconds - slideStart - slideLength));
    else if (talkSeconds < slideStart)
        reading.lagSeconds = qint64(std::round(talkSeconds - slideStart));

    TalkPace::Reading& pace = reading.pace;
    pace.remainingSeconds = qint64(std::ceil(end - talkSeconds));
    if (pace.remainingSeconds <= 0)
        pace.phase = TalkPace::Phase::over;
    else if (pace.remainingSeconds <= qint64(lastMinutes) * 60)
        pace.phase = TalkPace::Phase::lastMinutes;
    if (pace.phase == TalkPace::Phase::over)
        pace.timeUsed = 1;
    else if (end > 0)
        pace.timeUsed = std::clamp(talkSeconds / end, 0.0, 1.0);
    if (end > 0) {
        pace.slidesDone = std::clamp(slideStart / end, 0.0, 1.0);
        pace.slideShare = std::clamp(slideLength / end, 0.0, 1.0 - pace.slidesDone);
    }
    if (reading.lagSeconds > 0)
        pace.pace = TalkPace::Pace::behind;
    else if (reading.lagSeconds < 0)
        pace.pace = TalkPace::Pace::ahead;
    return reading;
}

QString PlanPace::lagText(qint64 lagSeconds) {
    if (lagSeconds > 0)
        return L10n::format("%@ hinter Plan", {SlidePlan::formatSeconds(lagSeconds)});
    if (lagSeconds < 0)
        return L10n::format("%@ voraus", {SlidePlan::formatSeconds(-lagSeconds)});
    return L10n::lookup("im Plan");
}
