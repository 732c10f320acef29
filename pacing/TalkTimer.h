// The speaker's stopwatch: running time, pause and reset, and the texts the presenter view shows.
#pragma once

#include "pacing/TalkPace.h"

#include <QColor>
#include <QDateTime>
#include <QString>
#include <optional>

class Clock;

class TalkTimer {
public:
    // What the presenter view shows for the stopwatch at one moment.
    struct Display {
        QString time;       // "HH:MM:SS", hours not wrapped
        QColor colour;      // white while running, grey while stopped; orange, red by the plan
        QString caption;    // "Vortragszeit" or "Vortragszeit (angehalten)", "Restzeit" …
        QString pauseTitle; // the pause button's title
    };

    explicit TalkTimer(const Clock& clock);

    // When the stopwatch was last started or resumed (ms since 1970); absent while stopped.
    std::optional<double> timerStart;
    // Seconds collected before timerStart; 0 after a reset.
    double timerAccumulated = 0;

    double elapsedSeconds() const;
    qint64 totalSeconds() const; // truncated toward zero
    bool isRunning() const { return timerStart.has_value(); }

    // Pauses a running stopwatch, else starts or resumes it.
    void togglePause();
    // Back to zero: counting on at once during a talk, stopped otherwise.
    void reset(bool presenting);
    // The start that beginning a presentation gives: only from zero, never from a pause.
    void startIfNeverRun();
    // The presentation ended: a running stopwatch pauses, so that a break costs the talk nothing.
    void holdForBreak();
    // The presentation goes on: the stopwatch that its end paused runs on; one never started
    // starts; one the speaker paused stays paused.
    void resumeAfterBreak();

    // With a plan's reading the time counts down to zero, then up again as the overrun.
    Display display(const std::optional<TalkPace::Reading>& pace = std::nullopt) const;

    static QString formatDuration(qint64 totalSeconds);
    static QString formatClock(const QDateTime& localTime);

private:
    double nowMs() const;

    const Clock& clock;
    // Paused by the end of the presentation rather than by the speaker.
    bool heldForBreak = false;
};
