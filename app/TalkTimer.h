// The speaker's stopwatch: running time, pause and reset, and the texts the presenter view shows.
#pragma once

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
        QColor colour;      // white while running, grey while stopped
        QString caption;    // "Vortragszeit" or "Vortragszeit (angehalten)"
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

    Display display() const;

    static QString formatDuration(qint64 totalSeconds);
    static QString formatClock(const QDateTime& localTime);

private:
    double nowMs() const;

    const Clock& clock;
};
