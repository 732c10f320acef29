// The application controller's side of talk pacing: the plan of the open deck, the dialog that
// sets it, and what the console and automation read of it.
#include "app/AppDelegate.h"

#include "base/RecentFiles.h"
#include "pacing/PaceDialog.h"
#include "ui/PresenterView.h"
#include "ui/PresenterWindow.h"

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
        RecentFiles::setTalkPlan(presentation.url, plan.toText());
    applyPlan(plan);
    refresh();
    tick();
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
    qsizetype shown = 0;
    qsizetype before = 0;
    for (qint64 page = 0; page < presentation.pageCount; ++page) {
        if (notes.isHidden(page))
            continue;
        before += page < presentation.index ? 1 : 0;
        ++shown;
    }
    return pace->read(talkTimer.elapsedSeconds(), before, shown);
}

QJsonValue AppDelegate::paceSnapshot() const {
    const std::optional<TalkPace::Reading> reading = paceReading();
    if (!reading)
        return QJsonValue::Null;
    return QJsonObject{{QStringLiteral("remainingSeconds"), reading->remainingSeconds},
                       {QStringLiteral("phase"), TalkPace::phaseName(reading->phase)}};
}
