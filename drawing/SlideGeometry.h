// Where a view shows a page: which part of it (0..1 page coordinates, top-left origin) fills which
// rectangle of the view (its logical coordinates). Strokes and pointers live in page coordinates
// and reach every view through this, so they land on the same spot of the slide at any size.
#pragma once

#include <QRect>
#include <QRectF>
#include <QSize>
#include <QSizeF>

struct SlideGeometry {
    static inline const QRectF wholePage{0, 0, 1, 1};

    QRectF region = wholePage;
    QRectF target;

    bool isValid() const { return !target.isEmpty() && !region.isEmpty(); }
    QPointF toPage(QPointF viewPoint) const;
    QPointF toView(QPointF pagePoint) const;
    bool contains(QPointF viewPoint) const { return target.contains(viewPoint); }
    // The page's height in the view's logical pixels.
    double pageHeight() const { return target.height() / region.height(); }

    // As the renderer letter-boxes `region` of a page of `pageSize` points into a view of
    // `viewPixels` device pixels at `ratio`: centred, the aspect kept, on whole pixels.
    static SlideGeometry letterboxed(QSizeF pageSize, QSize viewPixels, double ratio,
                                     const QRectF& region = wholePage);
    // `region` shown in `targetPixels`, device pixels of a view at `ratio`.
    static SlideGeometry placed(const QRectF& region, const QRect& targetPixels, double ratio);

    // The part of the slide a zoom shows for the wanted rectangle: grown to the slide's shape
    // around its centre (so that it fills the projector), at least `smallest` of the slide's
    // width, and moved inside the slide. `slide` is the slide's region of a page of `pageSize`.
    static QRectF zoomRegion(QRectF wanted, const QRectF& slide, QSizeF pageSize,
                             double smallest = 0.08);
};
