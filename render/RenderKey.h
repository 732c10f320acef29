// Which image of which page: the page index, the exact size in device pixels and the part of the
// page drawn into it (the whole page unless a view zooms in).
#pragma once

#include <QHashFunctions>
#include <QRectF>
#include <QtGlobal>

#include <algorithm>
#include <cmath>

struct RenderKey {
    // The region is kept on a grid of this many steps per page side, so that keys compare exactly.
    static constexpr qint32 regionSteps = 1 << 20;

    qint64 page = 0;
    qint64 width = 0;  // device pixels
    qint64 height = 0; // device pixels
    // The part of the page drawn, in grid steps, top-left origin; letter-boxed into the size.
    qint32 regionLeft = 0;
    qint32 regionTop = 0;
    qint32 regionWidth = regionSteps;
    qint32 regionHeight = regionSteps;

    qint64 pixels() const { return width * height; }
    bool wholePage() const {
        return regionLeft == 0 && regionTop == 0 && regionWidth == regionSteps &&
               regionHeight == regionSteps;
    }
    // The region in 0..1 page coordinates.
    QRectF region() const {
        return QRectF(double(regionLeft) / regionSteps, double(regionTop) / regionSteps,
                      double(regionWidth) / regionSteps, double(regionHeight) / regionSteps);
    }
    // `region` (0..1 page coordinates) of the page drawn at width x height, put on the grid.
    static RenderKey ofRegion(qint64 page, qint64 width, qint64 height, const QRectF& region) {
        const auto step = [](double value) {
            return qint32(std::clamp(std::round(value * regionSteps), 0.0, double(regionSteps)));
        };
        RenderKey key{page, width, height};
        key.regionLeft = step(region.left());
        key.regionTop = step(region.top());
        key.regionWidth =
            std::max<qint32>(1, std::min(step(region.width()), regionSteps - key.regionLeft));
        key.regionHeight =
            std::max<qint32>(1, std::min(step(region.height()), regionSteps - key.regionTop));
        return key;
    }

    friend bool operator==(const RenderKey&, const RenderKey&) = default;
    friend size_t qHash(const RenderKey& key, size_t seed = 0) {
        return qHashMulti(seed, key.page, key.width, key.height, key.regionLeft, key.regionTop,
                          key.regionWidth, key.regionHeight);
    }
};
