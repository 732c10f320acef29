// One page letter-boxed into an opaque image of an exact size: drawn by an engine, or scaled down
// from a larger image of the same page.
#pragma once

#include "render/RenderKey.h"

#include <QImage>
#include <QRect>
#include <QSizeF>

#include <atomic>

class PageEngine;

namespace PageImage {

// Where the page goes in a width x height image, origin at the bottom-left and y upwards:
// centred with the aspect kept, offsets rounded half away from zero, the size not rounded.
struct Placement {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};
Placement placement(QSizeF pageSize, qint64 width, qint64 height);
// The same area in whole pixels of the image, origin at the top-left; empty for a page without a
// usable size.
QRect pageArea(QSizeF pageSize, qint64 width, qint64 height);

// An opaque black image of the key's size; null when no image can have that size.
QImage black(const RenderKey& key);
// Whether the key names a page of the engine's document at a size an image can have.
bool possible(const PageEngine& engine, const RenderKey& key);
// Drawn by `engine` (on the thread that owns it), black bars around a white page; null when the
// page or size is invalid or the draw was cancelled.
QImage draw(const PageEngine& engine, const RenderKey& key,
            const std::atomic_bool* cancel = nullptr);
// Rows [top, bottom) of what draw gives, for one worker's band of a large image: the same pixels.
QImage drawRows(const PageEngine& engine, const RenderKey& key, int top, int bottom,
                const std::atomic_bool* cancel = nullptr);
// The page area of `larger` (an image of the same page from draw) averaged down into the key's
// page area; null when `larger` is smaller than the key or the key is not of the whole page.
QImage derive(const QImage& larger, QSizeF pageSize, const RenderKey& key);

} // namespace PageImage
