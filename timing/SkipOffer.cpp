#include "timing/SkipOffer.h"

#include "base/L10n.h"
#include "base/Preferences.h"

#include <algorithm>

int SkipOffer::thresholdSeconds() {
    const qint64 stored = Preferences::integer(thresholdKey(), defaultThresholdSeconds);
    return int(std::clamp<qint64>(stored, 0, SlidePlan::longestSlideSeconds));
}

std::optional<SkipOffer> SkipOffer::choose(const SlidePlan& plan, qsizetype slide,
                                           qsizetype endSlide, qint64 lagSeconds,
                                           const QSet<qsizetype>& kept) {
    if (lagSeconds <= 0)
        return std::nullopt;
    const qsizetype from = std::max<qsizetype>(slide + 1, 0);
    const qsizetype to = std::min(endSlide, plan.seconds.size()); // exclusive
    std::optional<SkipOffer> best;
    // The planned times are never negative, so the shortest run ending at each slide is found by
    // moving its start forward while the rest still makes up the lag; kept slides cut the deck
    // into stretches no run may cross.
    qsizetype start = from;
    qint64 sum = 0;
    for (qsizetype slideEnd = from; slideEnd < to; ++slideEnd) {
        if (kept.contains(slideEnd)) {
            start = slideEnd + 1;
            sum = 0;
            continue;
        }
        sum += plan.seconds.at(slideEnd);
        while (start < slideEnd && sum - plan.seconds.at(start) >= lagSeconds)
            sum -= plan.seconds.at(start++);
        if (sum < lagSeconds)
            continue;
        const qsizetype length = slideEnd - start + 1;
        const qsizetype bestLength = best ? best->last - best->first + 1 : 0;
        if (!best || length < bestLength || (length == bestLength && sum < best->savedSeconds))
            best = SkipOffer{start, slideEnd, int(sum), lagSeconds};
    }
    return best;
}

std::optional<SkipOffer> SkipOffer::find(const PlanPace& pace, const PlanPace::Reading& reading,
                                         qsizetype slide, const QSet<qsizetype>& kept,
                                         int thresholdSeconds) {
    if (!reading.endFixed || reading.lagSeconds <= thresholdSeconds)
        return std::nullopt;
    return choose(pace.plan(), slide, pace.endSlide(), reading.lagSeconds, kept);
}

QString SkipOffer::text() const {
    const QString lag = SlidePlan::formatSeconds(lagSeconds);
    const QString saved = SlidePlan::formatSeconds(savedSeconds);
    if (first == last)
        return L10n::format("%@ hinter Plan — Folie %d überspringen spart %@",
                            {lag, first + 1, saved});
    return L10n::format("%@ hinter Plan — Folien %d–%d überspringen spart %@",
                        {lag, first + 1, last + 1, saved});
}

QJsonObject SkipOffer::toJson() const {
    return {{QStringLiteral("first"), first},
            {QStringLiteral("last"), last},
            {QStringLiteral("seconds"), savedSeconds}};
}
