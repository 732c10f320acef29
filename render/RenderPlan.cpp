#include "render/RenderPlan.h"

#include "render/SlideRenderer.h"

namespace {

// The projector's pages kept from eviction: the one before and the next four.
constexpr qint64 protectedBefore = 1;
constexpr qint64 protectedAfter = 4;

void append(QList<RenderKey>& keys, qint64 page, QSize pixels, qint64 pageCount) {
    const RenderKey key{page, pixels.width(), pixels.height()};
    if (page >= 0 && page < pageCount && !pixels.isEmpty() && !keys.contains(key))
        keys.append(key);
}

} // namespace

RenderPlan::Keys RenderPlan::keys(const Inputs& in) {
    const auto step = [&in](qint64 from, int direction) {
        return in.step ? in.step(from, direction) : from + direction;
    };
    const auto nextShown = [&in, &step](qint64 page) -> std::optional<qint64> {
        if (in.nextShown)
            return in.nextShown(page);
        const qint64 ahead = step(page, +1);
        return ahead != page ? std::optional<qint64>(ahead) : std::nullopt;
    };
    const qint64 ahead1 = step(in.page, +1);
    const qint64 ahead2 = step(ahead1, +1);
    const qint64 ahead3 = step(ahead2, +1);
    const qint64 back1 = step(in.page, -1);
    Keys keys;
    for (const qint64 page : QList<qint64>{in.page, ahead1, ahead2, back1} + in.jumps +
                                 QList<qint64>{ahead3, step(ahead3, +1)})
        append(keys.audience, page, in.audience, in.pageCount);
    for (qint64 page = in.page + 5; in.presenting && page < in.pageCount; ++page)
        append(keys.deckAhead, page, in.audience, in.pageCount);
    for (qint64 page = in.page - 2; in.presenting && page >= 0; --page)
        append(keys.deckAhead, page, in.audience, in.pageCount);
    // The views show the current page and the next one already: those are theirs to ask for.
    for (const qint64 page : QList<qint64>{ahead1, ahead2, back1} + in.jumps) {
        if (page != in.page)
            append(keys.console, page, in.consoleCurrent, in.pageCount);
    }
    const std::optional<qint64> shownNow = nextShown(in.page);
    for (const qint64 move : QList<qint64>{ahead1, ahead2} + in.jumps) {
        const std::optional<qint64> shown = move != in.page ? nextShown(move) : std::nullopt;
        if (shown && shown != shownNow)
            append(keys.console, *shown, in.consoleNext, in.pageCount);
    }
    return keys;
}

void RenderPlan::apply(SlideRenderer& renderer, const Inputs& inputs) {
    const Keys wanted = keys(inputs);
    renderer.protect(inputs.page - protectedBefore, inputs.page + protectedAfter);
    renderer.prefetch(&audiencePlan, RenderPriority::audiencePrefetch, wanted.audience);
    renderer.prefetch(&deckPlan, RenderPriority::deckAhead, wanted.deckAhead);
    renderer.prefetch(&consolePlan, RenderPriority::consolePrefetch, wanted.console);
}
