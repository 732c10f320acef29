#include "media/MediaPlacement.h"

#include "render/PageImage.h"

#include <cmath>

namespace MediaPlacement {

QRect inView(QRectF area, QSizeF pageSize, NotesSide side, QSize viewPixels) {
    const PageSplit::Geometry shown = PageSplit::geometry(side, false, pageSize, viewPixels);
    // Where the whole page lies in the image the renderer draws for this view.
    const QRectF page =
        side == NotesSide::none
            ? QRectF(PageImage::pageArea(pageSize, shown.drawn.width(), shown.drawn.height()))
            : QRectF(QPointF(0, 0), QSizeF(shown.drawn));
    if (page.isEmpty())
        return {};
    const QPointF offset = QPointF(shown.target.topLeft()) - QPointF(shown.source.topLeft());
    const QRectF drawn(page.x() + area.x() * page.width() + offset.x(),
                       page.y() + area.y() * page.height() + offset.y(),
                       area.width() * page.width(), area.height() * page.height());
    const QRect rounded(
        QPoint(int(std::round(drawn.left())), int(std::round(drawn.top()))),
        QPoint(int(std::round(drawn.right())) - 1, int(std::round(drawn.bottom())) - 1));
    return rounded & shown.target;
}

QRect fitted(QSize frame, QRect area) {
    if (frame.isEmpty() || area.isEmpty())
        return area;
    const double scale =
        std::min(double(area.width()) / frame.width(), double(area.height()) / frame.height());
    const QSize size(std::max(1, int(std::round(frame.width() * scale))),
                     std::max(1, int(std::round(frame.height() * scale))));
    return QRect(area.x() + (area.width() - size.width()) / 2,
                 area.y() + (area.height() - size.height()) / 2, size.width(), size.height());
}

} // namespace MediaPlacement
