// The application controller's side of talk pacing: the plan of the open deck, the dialog that
// sets it, and what the console and automation read of it.
#include "app/AppDelegate.h"

#include "base/RecentFiles.h"
#include "ui/console/PresenterView.h"
#include "ui/console/PresenterWindow.h"
#include "ui/dialogs/PaceDialog.h"

#include <algorithm>
#include <cmath>

namespace {

// Stored for a deck whose speaker chose no plan, so that its sidecar's plan stays off too.
const QString noPlanText = QStringLiteral("none");

// The sidecar's timings, in the whole minutes the timer works in; a length wins over an end time.
PaceTarget sidecarPlan(const Sidecar::File& sidecar) {
    PaceTarget plan;
    plan.lastMinutes =
        std::clamp(int(std::lround(sidecar.lastMinutes)), 0, PaceTarget::longestMinutes);
    const int length = int(std::lround(sidecar.durationMinutes.value_or(0)));
    if (length >= 1)
        plan.lengthMinutes = std::min(length, PaceTarget::longestMinutes);
    else
        plan.endTime = sidecar.endTime;
    return plan;
}

} // namespace

void AppDelegate::showPaceDialog() {
    if (paceWindow) {
        paceWindow->raise();
        paceWindow->activateWindow();
        return;
    }
    auto* dialog = new PaceDialog(pace ? pace->target() : PaceTarget(), presenterWindow());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // Mid-talk the console's buttons and the audience must stay within reach.
    dialog->setWindowModality(presentation.isPresenting ? Qt::NonModal : Qt::WindowModal);
    connect(dialog, &PaceDialog::chosen, this, &AppDelegate::setTalkPlan);
    paceWindow = dialog;
    dialog->show();
}

PaceDialog* AppDelegate::paceDialog() const {
    return paceWindow;
}

void AppDelegate::setTalkPlan(const PaceTarget& plan) {
    // The speaker's own choice outranks the command line's from here on.
    commandLinePlan = PaceTarget();
    if (presentation.pageCount > 0)
        RecentFiles::setTalkPlan(presentation.url, plan.isSet() ? plan.toText() : noPlanText);
    applyPlan(plan);
    refresh();
    tick();
}

PaceTarget AppDelegate::deckPlan() const {
    if (commandLinePlan.isSet())
        return commandLinePlan;
    const QString stored = RecentFiles::talkPlan(presentation.url);
    if (stored == noPlanText)
        return {};
    if (const PaceTarget plan = PaceTarget::fromText(stored); plan.isSet())
        return plan;
    return sidecarPlan(notes.sidecar());
}

void AppDelegate::applyPlan(const PaceTarget& plan) {
    pace.reset();
    if (plan.isSet())
        pace.emplace(plan, clock);
    if (presenter)
        presenter->content->showsPace = pace.has_value();
}

std::optional<TalkPace::Reading> AppDelegate::paceReading() const {
    if (!pace)
        return std::nullopt;
    // Hidden pages (backup slides) take no share of the talk.
    const qint64 index = std::clamp<qint64>(presentation.index, 0, presentation.pageCount);
    return pace->read(talkTimer.elapsedSeconds(), index - notes.hiddenBefore(index),
                      presentation.pageCount - notes.hiddenCount());
}

QJsonValue AppDelegate::paceSnapshot() const {
    const std::optional<TalkPace::Reading> reading = paceReading();
    if (!reading)
        return QJsonValue::Null;
    return QJsonObject{{QStringLiteral("remainingSeconds"), reading->remainingSeconds},
                       {QStringLiteral("phase"), TalkPace::phaseName(reading->phase)}};
}
