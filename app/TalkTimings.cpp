#include "app/TalkTimings.h"

#include "document/Deck.h"
#include "notes/DeckNotes.h"
#include "pacing/TalkClock.h"
#include "show/SlideShow.h"
#include "ui/timing/TimingWindow.h"

TalkTimings::TalkTimings(const Deck& deck, const DeckNotes& notes, SlideShow& show,
                         const TalkClock& clock, const Clock& systemClock, QObject* parent)
    : QObject(parent), deck(deck), notes(notes), slideShow(show), talkClock(clock),
      recorder(timingStore, systemClock) {
    connect(&timingStore, &TimingStore::problem, this, [this](const QString& text) {
        lastProblem = text;
        emit problem(text);
    });
    connect(&show, &SlideShow::changed, this, &TalkTimings::shown);
    connect(&show, &SlideShow::presentingChanged, this, &TalkTimings::presentingChanged);
}

TalkTimings::~TalkTimings() {
    delete window;
}

QString TalkTimings::deckPath() const {
    return deck.url().toLocalFile();
}

qsizetype TalkTimings::slideCount() const {
    return notes.slides().slideCount();
}

qsizetype TalkTimings::slide() const {
    return notes.slides().slideOf(slideShow.page());
}

void TalkTimings::presentingChanged(bool presenting) {
    armed.reset();
    if (!presenting) {
        recorder.stop();
        return;
    }
    if (window)
        window->hide();
    recorder.start(deckPath(), slideCount(),
                   std::exchange(rehearsing, false) ? TalkRun::Kind::rehearsal
                                                    : TalkRun::Kind::talk,
                   slide(), slideShow.isBlanked());
}

void TalkTimings::shown() {
    if (recorder.isRecording())
        recorder.show(slide(), slideShow.isBlanked());
    // A move onto or past the offer, other than the step that takes it, lets it go.
    if (armed && slide() >= armed->first)
        armed.reset();
}

std::optional<PlanPace> TalkTimings::planPace() const {
    if (deck.pageCount() < 1)
        return std::nullopt;
    const SlidePlan& plan = timingStore.deck(deckPath()).plan;
    if (!plan.fits(slideCount()))
        return std::nullopt;
    return PlanPace(plan, notes.slides().endSlide());
}

std::optional<PlanPace::Reading>
TalkTimings::read(const std::optional<TalkPace::Reading>& talk) const {
    const std::optional<PlanPace> against = planPace();
    if (!against)
        return std::nullopt;
    return against->read(talkClock.elapsedSeconds(), slide(), talk, talkClock.plan().lastMinutes);
}

std::optional<SkipOffer>
TalkTimings::skipOffer(const std::optional<TalkPace::Reading>& talk) const {
    if (!slideShow.isPresenting())
        return std::nullopt;
    const std::optional<PlanPace> against = planPace();
    if (!against)
        return std::nullopt;
    return SkipOffer::find(*against, *read(talk), slide(), timingStore.deck(deckPath()).kept,
                           SkipOffer::thresholdSeconds());
}

void TalkTimings::skip(const std::optional<TalkPace::Reading>& talk) {
    armed = skipOffer(talk);
    stepPastSkip();
}

bool TalkTimings::stepPastSkip() {
    const SlideStructure& slides = notes.slides();
    if (!armed || slides.slideOf(slideShow.neighbour(slideShow.page(), +1)) != armed->first)
        return false;
    const SkipOffer taken = *std::exchange(armed, std::nullopt);
    recorder.noteSkip(taken.first, taken.last, taken.savedSeconds);
    slideShow.goTo(slides.firstPage(taken.last + 1));
    return true;
}

void TalkTimings::showWindow(QWidget* parent) {
    if (slideShow.isPresenting() || deck.pageCount() < 1)
        return;
    if (!window) {
        window = new TimingWindow(timingStore, parent);
        window->setWindowFlag(Qt::Window);
    }
    window->showDeck(deckPath(), slideCount());
    const PaceTarget plan = talkClock.plan();
    window->setTalkSeconds(plan.lengthMinutes ? std::optional<qint64>(*plan.lengthMinutes * 60)
                                              : std::nullopt);
    window->show();
    window->raise();
    window->activateWindow();
}
