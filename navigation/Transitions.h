// Which transition brings a page on screen, and the clock of one that plays: its progress, one
// frame per display period, and its end.
#pragma once

#include "engine/PageNavigation.h"
#include "net/Clock.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace Transitions {

// A sidecar's defaultTransition, "type[:seconds[:angle[:h|v[:i|o]]]]" (blinds box cover dissolve
// fade fly glitter push replace split uncover wipe); none for an empty text or an unknown type.
// A part that does not read keeps its default: 1 second, angle 0, h, i.
std::optional<PageTransition> parseDefault(const QString& text);

struct Move {
    PageTransition transition;
    // Played from its end to its start.
    bool backwards = false;
};
// What a move from page `from` to page `to` plays: forward, the transition of the page that
// arrives; back, the one of the page that leaves, played backwards, so that going back undoes
// the way forward. `own` gives a page's own transition; `fallback` stands in where it has none.
// None for a cut.
std::optional<Move> forMove(qint64 from, qint64 to,
                            const std::function<std::optional<PageTransition>(qint64)>& own,
                            const std::optional<PageTransition>& fallback);

} // namespace Transitions

class TransitionRun {
public:
    explicit TransitionRun(Clock& clock);

    // Plays for `seconds`: `frame` once per display period of `frameMs`, then `done`.
    void start(double seconds, double frameMs, std::function<void()> frame,
               std::function<void()> done);
    // Ends it where it is: no more frames, and no `done`.
    void stop();
    bool isRunning() const { return running; }
    // How far along, from 0 to 1, one display period ahead of the clock: a frame is on screen
    // a period after it is painted, and the first one already moves.
    double progress() const;

private:
    void schedule();
    void tick();

    Clock& clock;
    bool running = false;
    double startMs = 0;
    double durationMs = 1;
    double periodMs = 16;
    qint64 frames = 0;
    std::shared_ptr<ClockTimer> timer;
    std::function<void()> onFrame;
    std::function<void()> onDone;
};
