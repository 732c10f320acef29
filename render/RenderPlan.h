// What the renderer draws ahead besides the views on screen: the projector's next slides at its
// exact size, the console's next steps at its views' sizes and, while presenting, the rest of the
// deck. One owner asks for all of it after every change, so every plan follows the same slide.
#pragma once

#include "render/RenderKey.h"

#include <QList>
#include <QSize>
#include <functional>
#include <optional>

class SlideRenderer;

class RenderPlan {
public:
    struct Inputs {
        qint64 page = 0;
        qint64 pageCount = 0;
        // The page one step away (+1, -1); the talk steps over hidden pages. Plain steps without.
        std::function<qint64(qint64 from, int direction)> step;
        // The pages a whole-slide key reaches from `page`: the next slide's first step and the
        // previous slide's last.
        QList<qint64> jumps;
        // What the console's next view shows while `page` is current (how the next slide ends,
        // say); the next step when not given.
        std::function<std::optional<qint64>(qint64 page)> nextShown;
        // The sizes each page is drawn at for the projector and the console's current and next
        // views; empty where a view is hidden or its size is not known yet.
        QSize audience;
        QSize consoleCurrent;
        QSize consoleNext;
        // While presenting, the whole deck is drawn ahead into free budget.
        bool presenting = false;
    };
    struct Keys {
        // The projector's current slide and its neighbours: +1, +2, -1, the jumps, then +3, +4.
        QList<RenderKey> audience;
        QList<RenderKey> deckAhead;
        // The console's: the current view's next two and previous page and the jumps, and what
        // the next view shows after each of those moves forward.
        QList<RenderKey> console;
    };

    static Keys keys(const Inputs& inputs);
    // Replaces what this plan asked of `renderer` before; the projector's near pages are kept
    // from eviction.
    void apply(SlideRenderer& renderer, const Inputs& inputs);

private:
    // The plans' identities towards the renderer, which replaces a plan's older list by its newer.
    const char audiencePlan = 0;
    const char deckPlan = 0;
    const char consolePlan = 0;
};
