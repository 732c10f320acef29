#include "pacing/TalkClock.h"

#include "base/RecentFiles.h"

namespace {

// Stored for a deck whose speaker chose no plan, so that its sidecar's plan stays off too.
const QString noPlanText = QStringLiteral("none");

} // namespace

TalkClock::TalkClock(const Clock& clock, QObject* parent)
    : QObject(parent), clock(clock), timer(clock) {}

PaceTarget TalkClock::planFor(const QUrl& url, const PaceTarget& sidecarPlan) const {
    if (commandLinePlan.isSet())
        return commandLinePlan;
    const QString stored = RecentFiles::talkPlan(url);
    if (stored == noPlanText)
        return {};
    if (const PaceTarget plan = PaceTarget::fromText(stored); plan.isSet())
        return plan;
    return sidecarPlan;
}

void TalkClock::usePlan(const PaceTarget& plan) {
    pace.reset();
    if (plan.isSet())
        pace.emplace(plan, clock);
}

void TalkClock::choosePlan(const QUrl& url, const PaceTarget& plan) {
    commandLinePlan = PaceTarget();
    if (!url.isEmpty())
        RecentFiles::setTalkPlan(url, plan.isSet() ? plan.toText() : noPlanText);
    usePlan(plan);
}

PaceTarget TalkClock::plan() const {
    return pace ? pace->target() : PaceTarget();
}

std::optional<TalkPace::Reading> TalkClock::read(qint64 slide, qint64 slideCount) const {
    if (!pace)
        return std::nullopt;
    return pace->read(timer.elapsedSeconds(), slide, slideCount);
}
