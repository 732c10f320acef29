#include "navigation/Transitions.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace Transitions {

std::optional<PageTransition> parseDefault(const QString& text) {
    using Style = PageTransition::Style;
    static const QList<std::pair<QString, Style>> styles{
        {"blinds", Style::blinds},     {"box", Style::box},         {"cover", Style::cover},
        {"dissolve", Style::dissolve}, {"fade", Style::fade},       {"fly", Style::fly},
        {"glitter", Style::glitter},   {"push", Style::push},       {"replace", Style::replace},
        {"split", Style::split},       {"uncover", Style::uncover}, {"wipe", Style::wipe}};
    const QStringList parts = text.trimmed().toLower().split(QLatin1Char(':'));
    const auto style = std::find_if(styles.begin(), styles.end(), [&parts](const auto& known) {
        return known.first == parts[0];
    });
    if (style == styles.end())
        return std::nullopt;
    PageTransition transition;
    transition.style = style->second;
    bool ok = false;
    if (const double seconds = parts.value(1).toDouble(&ok);
        ok && std::isfinite(seconds) && seconds > 0)
        transition.seconds = std::min(seconds, PageNavigation::longestTransition);
    if (const int angle = parts.value(2).toInt(&ok); ok)
        transition.direction = ((angle % 360) + 360) % 360;
    transition.vertical = parts.value(3) == QLatin1String("v");
    transition.outward = parts.value(4) == QLatin1String("o");
    return transition;
}

std::optional<Move> forMove(qint64 from, qint64 to,
                            const std::function<std::optional<PageTransition>(qint64)>& own,
                            const std::optional<PageTransition>& fallback) {
    if (from == to)
        return std::nullopt;
    const bool backwards = to < from;
    const std::optional<PageTransition> transition = own(backwards ? from : to);
    const std::optional<PageTransition>& played = transition ? transition : fallback;
    if (!played || played->style == PageTransition::Style::replace || !(played->seconds > 0))
        return std::nullopt;
    return Move{*played, backwards};
}

} // namespace Transitions

TransitionRun::TransitionRun(Clock& clock) : clock(clock) {}

void TransitionRun::start(double seconds, double frameMs, std::function<void()> frame,
                          std::function<void()> done) {
    stop();
    running = true;
    startMs = clock.nowMs();
    durationMs = std::max(1.0, seconds * 1000);
    periodMs = std::clamp(frameMs, 1.0, 100.0);
    frames = 0;
    onFrame = std::move(frame);
    onDone = std::move(done);
    schedule();
}

void TransitionRun::stop() {
    running = false;
    if (timer)
        timer->cancel();
    timer.reset();
}

double TransitionRun::progress() const {
    if (!running)
        return 1;
    return std::clamp((clock.nowMs() - startMs + periodMs) / durationMs, 0.0, 1.0);
}

void TransitionRun::schedule() {
    // Each frame is due a whole number of periods after the start, so late ticks neither add up
    // nor come in a burst to catch up.
    const double elapsed = clock.nowMs() - startMs;
    frames = std::max(frames + 1, qint64(std::floor(elapsed / periodMs)) + 1);
    const double due = startMs + double(frames) * periodMs;
    timer = clock.after(std::max(1, int(std::ceil(due - clock.nowMs()))), [this] { tick(); });
}

void TransitionRun::tick() {
    if (!running)
        return;
    if (clock.nowMs() - startMs >= durationMs) {
        stop();
        if (onDone)
            onDone();
        return;
    }
    if (onFrame)
        onFrame();
    schedule();
}
