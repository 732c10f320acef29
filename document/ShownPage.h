// Where a slide view shows its page: the pixels the shown part of the page covers (letter-boxing
// excluded) and which part of the page that is, so that a point on screen finds its link and a
// point on the page its place on screen.
#pragma once

#include <QPointF>
#include <QRectF>
#include <QSize>

#include <optional>

class Deck;

namespace ShownPage {

struct Area {
    // In the view's device pixels, top-left origin.
    QRectF pixels;
    // Of the page as displayed, 0..1, top-left origin: the whole page, or a notes page's half.
    QRectF region;

    bool isEmpty() const { return pixels.isEmpty() || region.isEmpty(); }
};

// How a view of `viewPixels` shows `page` of `deck`: the slide, or with `notes` a notes page's
// notes half. Empty for a page the deck does not have.
Area area(const Deck& deck, qint64 page, QSize viewPixels, bool notes = false);

// The page point under a view pixel; none outside the shown part of the page.
std::optional<QPointF> pagePoint(const Area& area, QPointF viewPixel);
// Where a page point lies in the view.
QPointF viewPixel(const Area& area, QPointF pagePoint);

} // namespace ShownPage
