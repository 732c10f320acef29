#include "ui/tools/StrokePainter.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

QColor inkColour(const Stroke& stroke) {
    QColor colour = stroke.colour;
    if (stroke.ink == Ink::highlighter)
        colour.setAlphaF(float(Stroke::highlighterOpacity));
    return colour;
}

QPen penFor(const Stroke& stroke, double width) {
    QPen pen(inkColour(stroke), std::max(0.5, width), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    return pen;
}

} // namespace

namespace StrokePainter {

void paint(QPainter& painter, const Stroke& stroke, const SlideGeometry& geometry) {
    paintPart(painter, stroke, 0, stroke.points.size(), geometry);
}

void paintPart(QPainter& painter, const Stroke& stroke, qsizetype from, qsizetype to,
               const SlideGeometry& geometry) {
    const QList<InkPoint>& points = stroke.points;
    to = std::min(to, points.size());
    if (from >= to || !geometry.isValid())
        return;
    const double scale = geometry.pageHeight();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    const qsizetype first = std::max<qsizetype>(0, from - 1);
    if (to - first == 1) {
        // A dot: a tap of the pen.
        const double width = stroke.widthAt(points.at(first).pressure) * scale;
        painter.setPen(Qt::NoPen);
        painter.setBrush(inkColour(stroke));
        painter.drawEllipse(geometry.toView(points.at(first).at), width / 2, width / 2);
    } else if (stroke.ink == Ink::highlighter || !stroke.pressureVaries()) {
        // One path: a translucent line does not darken where its segments meet.
        QPainterPath path(geometry.toView(points.at(first).at));
        for (qsizetype i = first + 1; i < to; ++i)
            path.lineTo(geometry.toView(points.at(i).at));
        painter.setPen(penFor(stroke, stroke.widthAt(points.at(first).pressure) * scale));
        painter.drawPath(path);
    } else {
        for (qsizetype i = first + 1; i < to; ++i) {
            const double pressure = (points.at(i - 1).pressure + points.at(i).pressure) / 2;
            painter.setPen(penFor(stroke, stroke.widthAt(pressure) * scale));
            painter.drawLine(geometry.toView(points.at(i - 1).at),
                             geometry.toView(points.at(i).at));
        }
    }
    painter.restore();
}

void paintAll(QPainter& painter, const QList<Stroke>& strokes, const SlideGeometry& geometry) {
    // Translucent over the slide rather than multiplied into it, which would vanish on a dark one.
    for (const Stroke& stroke : strokes) {
        if (stroke.ink == Ink::highlighter)
            paint(painter, stroke, geometry);
    }
    for (const Stroke& stroke : strokes) {
        if (stroke.ink == Ink::pen)
            paint(painter, stroke, geometry);
    }
}

QRectF partBounds(const Stroke& stroke, qsizetype from, qsizetype to,
                  const SlideGeometry& geometry) {
    const QList<InkPoint>& points = stroke.points;
    to = std::min(to, points.size());
    const qsizetype first = std::max<qsizetype>(0, from - 1);
    if (first >= to)
        return {};
    // Zero-sized rectangles count as none for QRectF::united: the corners are kept by hand.
    QPointF low = geometry.toView(points.at(first).at);
    QPointF high = low;
    double widest = 0;
    for (qsizetype i = first; i < to; ++i) {
        const QPointF at = geometry.toView(points.at(i).at);
        low = QPointF(std::min(low.x(), at.x()), std::min(low.y(), at.y()));
        high = QPointF(std::max(high.x(), at.x()), std::max(high.y(), at.y()));
        widest = std::max(widest, stroke.widthAt(points.at(i).pressure));
    }
    const double margin = widest * geometry.pageHeight() / 2 + 2;
    return QRectF(low, high).adjusted(-margin, -margin, margin, margin);
}

} // namespace StrokePainter
