// Records a presentation as it goes: the time each slide is shown or blanked, returns and skips
// included, written to the store at every change so that a crash loses only the current slide's
// seconds.
#pragma once

#include "timing/TalkRun.h"

#include <QObject>

class Clock;
class TimingStore;

class TalkRecorder : public QObject {
    Q_OBJECT
public:
    // The store must outlive the recorder.
    TalkRecorder(TimingStore& store, const Clock& clock, QObject* parent = nullptr);
    // Ends a run still being recorded.
    ~TalkRecorder() override;

    // A presentation of the deck at `deckPath` (with `slideCount` slides) begins on `slide`;
    // a run still being recorded ends first.
    void start(const QString& deckPath, qsizetype slideCount, TalkRun::Kind kind, qsizetype slide,
               bool blank);
    // What the audience sees now; the same slide and blanking again changes nothing.
    void show(qsizetype slide, bool blank);
    // The speaker took a skip offer: `first` to `last` planned for `plannedSeconds`.
    void noteSkip(qsizetype first, qsizetype last, int plannedSeconds);
    void stop();

    bool isRecording() const { return recording; }
    QString deckPath() const { return deck; }
    // The run so far; the current slide's time is added when it ends.
    const TalkRun& run() const { return current; }

private:
    // Adds the time since the last change to the slide shown then.
    void collect();

    TimingStore& store;
    const Clock& clock;
    bool recording = false;
    QString deck;
    TalkRun current;
    qsizetype slide = -1;
    bool blank = false;
    double sinceMs = 0;
};
