// How strokes look in a view: round ends and joins, the pen's width following the pressure, the
// highlighter translucent. The projector, the console and the thumbnails all paint them so.
#pragma once

#include "drawing/SlideGeometry.h"
#include "drawing/Stroke.h"

#include <QList>
#include <QRectF>

class QPainter;

namespace StrokePainter {

// One stroke; a highlighter in its translucent colour, over whatever the painter composes with.
void paint(QPainter& painter, const Stroke& stroke, const SlideGeometry& geometry);
// The points [from, to) of a stroke's line and the segment that joins them to the point before:
// what one more move of the pen adds.
void paintPart(QPainter& painter, const Stroke& stroke, qsizetype from, qsizetype to,
               const SlideGeometry& geometry);
// A sheet's strokes as the projector shows them: the highlighters first, so that the pen's ink
// lies over them.
void paintAll(QPainter& painter, const QList<Stroke>& strokes, const SlideGeometry& geometry);
// Where the points [from, to) and the segment before them paint, in the view's coordinates.
QRectF partBounds(const Stroke& stroke, qsizetype from, qsizetype to,
                  const SlideGeometry& geometry);

} // namespace StrokePainter
