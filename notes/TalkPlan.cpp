#include "notes/TalkPlan.h"

#include <algorithm>
#include <cmath>

namespace TalkPlan {

PaceTarget fromSidecar(const Sidecar::File& file) {
    PaceTarget plan;
    plan.lastMinutes =
        std::clamp(int(std::lround(file.lastMinutes)), 0, PaceTarget::longestMinutes);
    const int length =
        std::min(int(std::lround(file.durationMinutes.value_or(0))), PaceTarget::longestMinutes);
    const auto wholeMinutes = [](const std::optional<QTime>& time) -> std::optional<QTime> {
        return time ? std::optional<QTime>(QTime(time->hour(), time->minute())) : std::nullopt;
    };
    std::optional<QTime> start = wholeMinutes(file.startTime);
    std::optional<QTime> end = wholeMinutes(file.endTime);
    // A time of day cannot say more than a day.
    if (length >= 1 && length < 24 * 60) {
        if (end && !start)
            start = end->addSecs(-60 * length);
        else if (start && !end)
            end = start->addSecs(60 * length);
    }
    if (end) {
        plan.endTime = end;
        plan.startTime = start;
    } else if (length >= 1) {
        plan.lengthMinutes = length;
    }
    return plan;
}

} // namespace TalkPlan
