#include "document/ShownPage.h"

#include "document/Deck.h"
#include "render/PageImage.h"

namespace ShownPage {

Area area(const Deck& deck, qint64 page, QSize viewPixels, bool notes) {
    if (page < 0 || page >= deck.pageCount() || viewPixels.isEmpty())
        return {};
    if (deck.notesSide() == NotesSide::none && !notes)
        // As the renderer letter-boxes each page by its own shape.
        return {QRectF(PageImage::pageArea(deck.pageSizes().at(page), viewPixels.width(),
                                           viewPixels.height())),
                QRectF(0, 0, 1, 1)};
    return {QRectF(deck.geometry(viewPixels, notes).target),
            PageSplit::region(deck.notesSide(), notes)};
}

std::optional<QPointF> pagePoint(const Area& area, QPointF viewPixel) {
    if (area.isEmpty() || !area.pixels.contains(viewPixel))
        return std::nullopt;
    const QRectF& shown = area.pixels;
    const QRectF& region = area.region;
    return QPointF(region.x() + (viewPixel.x() - shown.x()) / shown.width() * region.width(),
                   region.y() + (viewPixel.y() - shown.y()) / shown.height() * region.height());
}

QPointF viewPixel(const Area& area, QPointF pagePoint) {
    const QRectF& shown = area.pixels;
    const QRectF& region = area.region;
    if (area.isEmpty())
        return shown.topLeft();
    return QPointF(shown.x() + (pagePoint.x() - region.x()) / region.width() * shown.width(),
                   shown.y() + (pagePoint.y() - region.y()) / region.height() * shown.height());
}

} // namespace ShownPage
