#include "timing/TalkRecorder.h"

#include "net/Clock.h"
#include "timing/TimingStore.h"

#include <QUuid>
#include <algorithm>

TalkRecorder::TalkRecorder(TimingStore& store, const Clock& clock, QObject* parent)
    : QObject(parent), store(store), clock(clock) {}

TalkRecorder::~TalkRecorder() {
    stop();
}

void TalkRecorder::start(const QString& deckPath, qsizetype slideCount, TalkRun::Kind kind,
                         qsizetype startSlide, bool startBlank) {
    stop();
    recording = true;
    deck = deckPath;
    current = TalkRun();
    current.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    current.kind = kind;
    current.startMs = clock.nowMs();
    current.slides.resize(std::clamp<qsizetype>(slideCount, 0, TalkRun::maximumSlides));
    slide = startSlide;
    blank = startBlank;
    sinceMs = current.startMs;
    if (slide >= 0 && slide < current.slides.size())
        current.slides[slide].visits = 1;
    store.beginRun(deck, current);
}

void TalkRecorder::collect() {
    const double now = clock.nowMs();
    // A clock set back must not take time away.
    const double seconds = std::max(0.0, (now - sinceMs) / 1000.0);
    sinceMs = now;
    if (slide < 0 || slide >= current.slides.size())
        return;
    TalkRun::Slide& shown = current.slides[slide];
    (blank ? shown.blankSeconds : shown.shownSeconds) += seconds;
}

void TalkRecorder::show(qsizetype newSlide, bool newBlank) {
    if (!recording || (newSlide == slide && newBlank == blank))
        return;
    collect();
    if (newSlide != slide && newSlide >= 0 && newSlide < current.slides.size())
        ++current.slides[newSlide].visits;
    slide = newSlide;
    blank = newBlank;
    store.updateRun(deck, current);
}

void TalkRecorder::noteSkip(qsizetype first, qsizetype last, int plannedSeconds) {
    if (!recording || first < 0 || last < first || last >= current.slides.size() ||
        current.skips.size() >= TalkRun::maximumSkips)
        return;
    const double at = std::max(0.0, (clock.nowMs() - current.startMs) / 1000.0);
    current.skips.append({first, last, at, std::max(0, plannedSeconds)});
    store.updateRun(deck, current);
}

void TalkRecorder::stop() {
    if (!recording)
        return;
    collect();
    current.endMs = std::max(clock.nowMs(), current.startMs);
    recording = false;
    store.endRun(deck, current);
}
