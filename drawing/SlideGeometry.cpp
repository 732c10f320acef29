#include "drawing/SlideGeometry.h"

#include "render/PageImage.h"

#include <algorithm>

QPointF SlideGeometry::toPage(QPointF viewPoint) const {
    return {region.x() + (viewPoint.x() - target.x()) / target.width() * region.width(),
            region.y() + (viewPoint.y() - target.y()) / target.height() * region.height()};
}

QPointF SlideGeometry::toView(QPointF pagePoint) const {
    return {target.x() + (pagePoint.x() - region.x()) / region.width() * target.width(),
            target.y() + (pagePoint.y() - region.y()) / region.height() * target.height()};
}

SlideGeometry SlideGeometry::letterboxed(QSizeF pageSize, QSize viewPixels, double ratio,
                                         const QRectF& region) {
    const QSizeF shown(pageSize.width() * region.width(), pageSize.height() * region.height());
    return placed(region, PageImage::pageArea(shown, viewPixels.width(), viewPixels.height()),
                  ratio);
}

SlideGeometry SlideGeometry::placed(const QRectF& region, const QRect& targetPixels, double ratio) {
    if (!(ratio > 0))
        return {region, {}};
    return {region, QRectF(targetPixels.x() / ratio, targetPixels.y() / ratio,
                           targetPixels.width() / ratio, targetPixels.height() / ratio)};
}

QRectF SlideGeometry::zoomRegion(QRectF wanted, const QRectF& slide, QSizeF pageSize,
                                 double smallest) {
    if (slide.isEmpty() || pageSize.isEmpty())
        return slide;
    wanted = wanted.normalized();
    // Both sides in points, so that the shape compares with the slide's.
    const double slideWidth = slide.width() * pageSize.width();
    const double slideHeight = slide.height() * pageSize.height();
    double width = std::max(wanted.width() * pageSize.width(), smallest * slideWidth);
    double height = std::max(wanted.height() * pageSize.height(), smallest * slideHeight);
    if (width / height < slideWidth / slideHeight)
        width = height * slideWidth / slideHeight;
    else
        height = width * slideHeight / slideWidth;
    width = std::min(width, slideWidth);
    height = std::min(height, slideHeight);
    QRectF region(0, 0, width / pageSize.width(), height / pageSize.height());
    region.moveCenter(wanted.center());
    region.moveLeft(std::clamp(region.left(), slide.left(), slide.right() - region.width()));
    region.moveTop(std::clamp(region.top(), slide.top(), slide.bottom() - region.height()));
    return region;
}
