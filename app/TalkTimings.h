// The record of every talk and the plan per slide, for the running program: recording what the
// audience sees, the pace against the plan, the skip offer when the talk runs late, rehearsals
// and the timing window.
#pragma once

#include "timing/PlanPace.h"
#include "timing/SkipOffer.h"
#include "timing/TalkRecorder.h"
#include "timing/TimingStore.h"

#include <QObject>
#include <QPointer>
#include <optional>

class Clock;
class Deck;
class DeckNotes;
class SlideShow;
class TalkClock;
class TimingWindow;

class TalkTimings : public QObject {
    Q_OBJECT
public:
    TalkTimings(const Deck& deck, const DeckNotes& notes, SlideShow& show, const TalkClock& clock,
                const Clock& systemClock, QObject* parent = nullptr);
    ~TalkTimings() override;

    // The next presentation that starts is recorded as a rehearsal.
    void rehearseNext() { rehearsing = true; }

    // Against the deck's plan per slide, where it has one that fits the deck; `talk` is the
    // reading of the talk's own length or end time, absent without one.
    std::optional<PlanPace::Reading> read(const std::optional<TalkPace::Reading>& talk) const;
    // The slides the speaker could leave out to make up the lag, while the talk runs late.
    std::optional<SkipOffer> skipOffer(const std::optional<TalkPace::Reading>& talk) const;
    // Takes that offer: jumps past it when the next step would show its first slide, else at the
    // step forward that would.
    void skip(const std::optional<TalkPace::Reading>& talk);
    // Asked before a step forward: true when it was taken to jump past an armed offer.
    bool stepPastSkip();

    // "Zeiten …": the window of the open deck's runs, not shown while a talk is on the projector.
    void showWindow(QWidget* parent);
    TimingStore& store() { return timingStore; }
    // The last problem with the record, for the status line; empty when there was none.
    QString notice() const { return lastProblem; }
    QString deckPath() const;
    qsizetype slideCount() const;

signals:
    // A record could not be read or written: a text for the status line.
    void problem(const QString& text);

private:
    std::optional<PlanPace> planPace() const;
    qsizetype slide() const;
    void presentingChanged(bool presenting);
    void shown();

    const Deck& deck;
    const DeckNotes& notes;
    SlideShow& slideShow;
    const TalkClock& talkClock;
    // Reads a deck's record on first use.
    mutable TimingStore timingStore;
    TalkRecorder recorder;
    QPointer<TimingWindow> window;
    bool rehearsing = false;
    QString lastProblem;
    // A skip taken before its first slide was reached: jumped at the step onto it.
    std::optional<SkipOffer> armed;
};
