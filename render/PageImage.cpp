#include "render/PageImage.h"

#include "engine/PageEngine.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Beyond this QPainter cannot draw into an image; such a request yields nothing.
constexpr qint64 maximumSide = 32767;

// One pixel of the page (not premultiplied) laid over white, as an opaque pixel.
inline QRgb overWhite(QRgb pixel) {
    const uint alpha = qAlpha(pixel);
    if (alpha == 255)
        return pixel;
    if (alpha == 0)
        return 0xffffffff;
    const uint rest = 255 * (255 - alpha) + 127;
    return qRgb(int((qRed(pixel) * alpha + rest) / 255), int((qGreen(pixel) * alpha + rest) / 255),
                int((qBlue(pixel) * alpha + rest) / 255));
}

// Lays the transparent page over white into `target` at `at`, row by row. One pass over the
// pixels: at 4K a QPainter composition with fills costs more than drawing the page itself.
void composeOverWhite(const QImage& page, QImage& target, QPoint at) {
    for (int y = 0; y < page.height(); ++y) {
        const QRgb* from = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        QRgb* to = reinterpret_cast<QRgb*>(target.scanLine(at.y() + y)) + at.x();
        for (int x = 0; x < page.width(); ++x)
            to[x] = overWhite(from[x]);
    }
}

bool isDrawable(const RenderKey& key) {
    return key.width >= 1 && key.height >= 1 && key.width <= maximumSide &&
           key.height <= maximumSide;
}

void copyInto(const QImage& page, QImage& target, QPoint at) {
    const auto rowBytes = size_t(page.width()) * sizeof(QRgb);
    for (int y = 0; y < page.height(); ++y)
        std::memcpy(reinterpret_cast<QRgb*>(target.scanLine(at.y() + y)) + at.x(),
                    page.constScanLine(y), rowBytes);
}

} // namespace

namespace PageImage {

QImage black(const RenderKey& key) {
    QImage bars(int(key.width), int(key.height), QImage::Format_RGB32);
    if (!bars.isNull())
        bars.fill(Qt::black);
    return bars;
}

Placement placement(QSizeF pageSize, qint64 width, qint64 height) {
    const double pw = pageSize.width();
    const double ph = pageSize.height();
    if (!(pw > 0) || !(ph > 0) || !std::isfinite(pw) || !std::isfinite(ph))
        return {};
    const double w = double(width);
    const double h = double(height);
    const double scale = std::min(w / pw, h / ph);
    const double dw = pw * scale;
    const double dh = ph * scale;
    return {std::round((w - dw) * 0.5), std::round((h - dh) * 0.5), dw, dh};
}

QRect pageArea(QSizeF pageSize, qint64 width, qint64 height) {
    const Placement place = placement(pageSize, width, height);
    const qint64 x = qint64(place.x);
    const qint64 y = qint64(place.y);
    const qint64 areaWidth = std::min(qint64(std::round(place.width)), width - x);
    const qint64 areaHeight = std::min(qint64(std::round(place.height)), height - y);
    if (areaWidth < 1 || areaHeight < 1)
        return {};
    // Flip once: the distance from the top is what is left above the page.
    return QRect(int(x), int(height - y - areaHeight), int(areaWidth), int(areaHeight));
}

bool possible(const PageEngine& engine, const RenderKey& key) {
    return key.page >= 0 && key.page < engine.pageCount() && isDrawable(key);
}

QImage draw(const PageEngine& engine, const RenderKey& key, const std::atomic_bool* cancel) {
    return drawRows(engine, key, 0, int(key.height), cancel);
}

QImage drawRows(const PageEngine& engine, const RenderKey& key, int top, int bottom,
                const std::atomic_bool* cancel) {
    if (!possible(engine, key) || top < 0 || bottom <= top || bottom > key.height)
        return {};
    RenderKey band = key;
    band.height = bottom - top;
    const QRectF region = key.region();
    const QSizeF pageSize = engine.pageSize(key.page);
    // A zoomed view letter-boxes the region as it would the whole page.
    const QRect area =
        pageArea(QSizeF(pageSize.width() * region.width(), pageSize.height() * region.height()),
                 key.width, key.height);
    // The page's part of the band, in rows of the page area.
    const int first = std::max(top, area.top()) - area.top();
    const int last = std::min(bottom, area.top() + area.height()) - area.top();
    // A page without a usable size shows as bars only, and so does a band of bars.
    if (area.isEmpty() || first >= last)
        return black(band);
    QImage page;
    if (last - first == area.height())
        page = engine.drawPage(key.page, area.size(), region, cancel);
    else if (key.wholePage())
        page = engine.drawRows(key.page, area.size(), first, last, cancel);
    else
        page = engine.drawPage(
            key.page, QSize(area.width(), last - first),
            QRectF(region.x(), region.y() + region.height() * first / area.height(), region.width(),
                   region.height() * (last - first) / area.height()),
            cancel);
    if (page.isNull() || page.size() != QSize(area.width(), last - first))
        return {};
    // An engine that draws over white itself hands back an opaque page: nothing to compose.
    const bool opaque = !page.hasAlphaChannel();
    page.convertTo(opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32);
    if (page.size() == QSize(int(band.width), int(band.height))) {
        // The page fills the whole image (the usual case): no second bitmap.
        if (!opaque) {
            composeOverWhite(page, page, {0, 0});
            page.reinterpretAsFormat(QImage::Format_RGB32);
        }
        return page;
    }
    QImage image = black(band);
    if (image.isNull())
        return {};
    const QPoint at(area.left(), area.top() + first - top);
    if (opaque)
        copyInto(page, image, at);
    else
        composeOverWhite(page, image, at);
    return image;
}

QImage derive(const QImage& larger, QSizeF pageSize, const RenderKey& key) {
    if (!isDrawable(key) || !key.wholePage() || larger.width() < key.width ||
        larger.height() < key.height)
        return {};
    const QRect from = pageArea(pageSize, larger.width(), larger.height());
    const QRect to = pageArea(pageSize, key.width, key.height);
    if (from.isEmpty() || to.isEmpty())
        return black(key);
    // Qt's smooth scaling averages over the source area when it shrinks, unlike nearest pixel.
    const QImage page = (from == larger.rect() ? larger : larger.copy(from))
                            .scaled(to.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                            .convertToFormat(QImage::Format_RGB32);
    if (to == QRect(0, 0, int(key.width), int(key.height)))
        return page;
    QImage image = black(key);
    if (image.isNull())
        return {};
    for (int y = 0; y < page.height(); ++y)
        std::copy_n(reinterpret_cast<const QRgb*>(page.constScanLine(y)), page.width(),
                    reinterpret_cast<QRgb*>(image.scanLine(to.y() + y)) + to.x());
    return image;
}

} // namespace PageImage
