#include "navigation/DissolveFrames.h"

#include "navigation/TransitionFrames.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <numeric>

namespace {

constexpr int tile = 256;
// A level at or above every threshold: the whole new picture.
constexpr int allLevels = 256;

// A fixed random threshold per pixel of a tile repeated over the picture: the same dissolve
// every time. `order` lists the tile's positions by threshold, `first[t]` where threshold t
// starts in it, so that the pixels a frame turns are found without looking at the others.
struct Noise {
    std::array<quint8, tile * tile> threshold{};
    std::array<quint16, tile * tile> order{};
    std::array<int, allLevels + 1> first{};
};

const Noise& noise() {
    static const Noise table = [] {
        Noise made;
        quint32 state = 2463534242u;
        for (quint8& value : made.threshold) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            value = quint8(state >> 24);
        }
        for (const quint8 value : made.threshold)
            ++made.first[value + 1];
        std::partial_sum(made.first.begin(), made.first.end(), made.first.begin());
        std::array<int, allLevels + 1> next = made.first;
        for (int position = 0; position < tile * tile; ++position)
            made.order[next[made.threshold[position]]++] = quint16(position);
        return made;
    }();
    return table;
}

} // namespace

const QImage& DissolveFrames::at(const QImage& from, const QImage& to,
                                 const PageTransition& transition, double progress) {
    const int target = int(std::clamp(std::lround(progress * allLevels), 0L, long(allLevels)));
    if (from.cacheKey() != fromKey || to.cacheKey() != toKey || !(transition == playing) ||
        picture.size() != from.size() || picture.format() != from.format())
        restart(from, to, transition, target < allLevels / 2 ? 0 : allLevels);
    if (target != level) {
        const bool forward = target > level;
        const QImage& source = forward ? to : from;
        const int lower = std::min(level, target);
        const int upper = std::max(level, target);
        if (transition.style == PageTransition::Style::glitter)
            glitter(lower, upper, source);
        else
            dissolve(lower, upper, source);
        level = target;
        copiedKey = 0;
    }
    return picture;
}

void DissolveFrames::prepare(const QImage& shown) {
    if (shown.depth() != 32)
        return;
    copy(shown);
    fromKey = toKey = 0;
}

void DissolveFrames::copy(const QImage& start) {
    if (start.isNull()) {
        picture = QImage();
        copiedKey = 0;
        return;
    }
    if (start.cacheKey() == copiedKey && picture.size() == start.size() &&
        picture.format() == start.format())
        return;
    // Into the picture already made where it fits: a fresh one costs page faults on the way.
    if (picture.size() == start.size() && picture.format() == start.format() &&
        picture.bytesPerLine() == start.bytesPerLine())
        // One detach for the whole copy: each scanLine() would run the image's detach hooks.
        std::memcpy(picture.bits(), start.constBits(), size_t(start.sizeInBytes()));
    else
        picture = start.copy();
    copiedKey = start.cacheKey();
}

void DissolveFrames::restart(const QImage& from, const QImage& to, const PageTransition& transition,
                             int startLevel) {
    copy(startLevel == 0 ? from : to);
    fromKey = from.cacheKey();
    toKey = to.cacheKey();
    playing = transition;
    level = startLevel;
    alongX.clear();
    alongY.clear();
    if (transition.style != PageTransition::Style::glitter)
        return;
    // Glitter's thresholds rise along its direction, so that the dissolving sweeps across.
    const int width = from.width();
    const int height = from.height();
    const QPointF way = TransitionFrames::motion(
        transition.direction == PageTransition::noDirection ? 0 : transition.direction);
    const double parts = std::abs(way.x()) + std::abs(way.y());
    risingX = way.x() >= 0;
    alongX.resize(width);
    alongY.resize(height);
    for (int x = 0; x < width; ++x) {
        const double share = risingX ? double(x) / width : double(width - 1 - x) / width;
        alongX[x] = int(255 * share * std::abs(way.x()) / parts);
    }
    for (int y = 0; y < height; ++y) {
        const double share = way.y() >= 0 ? double(y) / height : double(height - 1 - y) / height;
        alongY[y] = int(255 * share * std::abs(way.y()) / parts);
    }
}

void DissolveFrames::dissolve(int lower, int upper, const QImage& source) {
    const Noise& table = noise();
    const int width = picture.width();
    const int height = picture.height();
    const qsizetype line = picture.bytesPerLine();
    uchar* const out = picture.bits();
    const uchar* const in = source.constBits();
    // A band of tiles at a time, so that the writes stay near each other.
    for (int band = 0; band < height; band += tile) {
        for (int at = table.first[lower]; at < table.first[upper]; ++at) {
            const int y = band + table.order[at] / tile;
            if (y >= height)
                continue;
            const auto* const read = reinterpret_cast<const quint32*>(in + y * line);
            auto* const written = reinterpret_cast<quint32*>(out + y * line);
            for (int x = table.order[at] % tile; x < width; x += tile)
                written[x] = read[x];
        }
    }
}

void DissolveFrames::glitter(int lower, int upper, const QImage& source) {
    const Noise& table = noise();
    const qsizetype line = picture.bytesPerLine();
    uchar* const out = picture.bits();
    const uchar* const in = source.constBits();
    const QList<int>& columns = alongX;
    for (int y = 0; y < picture.height(); ++y) {
        // A pixel's threshold is (noise + rise) / 2, its noise 0..255: only the columns whose
        // rise can put it in [lower, upper) are looked at, a stretch since the rise is monotonic.
        const int least = 2 * lower - 255 - alongY[y];
        const int beyond = 2 * upper - alongY[y];
        const auto begin =
            risingX ? std::lower_bound(columns.begin(), columns.end(), least)
                    : std::upper_bound(columns.begin(), columns.end(), beyond, std::greater<>());
        const auto end =
            risingX ? std::lower_bound(columns.begin(), columns.end(), beyond)
                    : std::upper_bound(columns.begin(), columns.end(), least, std::greater<>());
        const auto* const read = reinterpret_cast<const quint32*>(in + y * line);
        auto* const written = reinterpret_cast<quint32*>(out + y * line);
        const quint8* const row = table.threshold.data() + (y % tile) * tile;
        for (auto column = begin; column < end; ++column) {
            const int x = int(column - columns.begin());
            const int threshold = (row[x % tile] + *column + alongY[y]) / 2;
            if (threshold >= lower && threshold < upper)
                written[x] = read[x];
        }
    }
}
