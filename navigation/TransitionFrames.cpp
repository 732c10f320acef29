#include "navigation/TransitionFrames.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

using Style = PageTransition::Style;
using TransitionFrames::motion;

// How many strips the blinds are cut into.
constexpr int blindCount = 8;

QRectF centred(QSizeF size, double share) {
    const QSizeF part(size.width() * share, size.height() * share);
    return {QPointF((size.width() - part.width()) / 2, (size.height() - part.height()) / 2), part};
}

// The part of the picture a wipe has passed, for the nearest of its four directions.
QRectF wiped(QSizeF size, int degrees, double progress) {
    const double w = size.width();
    const double h = size.height();
    switch (((degrees + 45) % 360) / 90) {
    case 1: // bottom to top
        return {0, h * (1 - progress), w, h * progress};
    case 2: // right to left
        return {w * (1 - progress), 0, w * progress, h};
    case 3: // top to bottom
        return {0, 0, w, h * progress};
    default: // left to right
        return {0, 0, w * progress, h};
    }
}

// A band across the centre, `share` of the picture wide, along the lines' direction.
QRectF band(QSizeF size, bool vertical, double share) {
    if (vertical)
        return {size.width() * (1 - share) / 2, 0, size.width() * share, size.height()};
    return {0, size.height() * (1 - share) / 2, size.width(), size.height() * share};
}

void drawPart(QPainter& painter, const QImage& image, const QRectF& part) {
    painter.drawImage(part, image, part);
}

// Fly: the new page comes in over the old one (inward), or the old one leaves over the new one
// (outward), moving along the direction or, without one, growing from or shrinking to its scale.
void fly(QPainter& painter, const QImage& from, const QImage& to, const PageTransition& transition,
         double progress) {
    const QSizeF size = from.size();
    const bool inward = !transition.outward;
    const QImage& still = inward ? from : to;
    const QImage& moving = inward ? to : from;
    const double travelled = inward ? 1 - progress : progress;
    const double scale =
        transition.direction == PageTransition::noDirection && transition.flyScale >= 1
            ? 1 - travelled
            : 1 - (1 - transition.flyScale) * travelled;
    painter.drawImage(QPointF(0, 0), still);
    QRectF placed = centred(size, std::max(scale, 0.0));
    if (transition.direction != PageTransition::noDirection) {
        const QPointF way = motion(transition.direction);
        const double sign = inward ? -1 : 1;
        placed.translate(sign * way.x() * travelled * size.width(),
                         sign * way.y() * travelled * size.height());
    }
    if (!placed.isEmpty())
        painter.drawImage(placed, moving);
}

} // namespace

namespace TransitionFrames {

QPointF motion(int degrees) {
    const double radians = degrees * M_PI / 180.0;
    QPointF vector(std::cos(radians), -std::sin(radians));
    const double longest = std::max(std::abs(vector.x()), std::abs(vector.y()));
    vector /= longest;
    const auto snap = [](double value) { return std::abs(value) < 1e-9 ? 0.0 : value; };
    return {snap(vector.x()), snap(vector.y())};
}

void paint(QPainter& painter, const QImage& from, const QImage& to,
           const PageTransition& transition, double progress, DissolveFrames& pixels) {
    const double p = std::clamp(progress, 0.0, 1.0);
    const QSizeF size = to.size();
    if (from.size() != to.size() || p >= 1) {
        painter.drawImage(QPointF(0, 0), to);
        return;
    }
    switch (transition.style) {
    case Style::replace:
        painter.drawImage(QPointF(0, 0), from);
        return;
    case Style::fade:
        painter.drawImage(QPointF(0, 0), from);
        painter.setOpacity(p);
        painter.drawImage(QPointF(0, 0), to);
        painter.setOpacity(1);
        return;
    case Style::wipe:
        painter.drawImage(QPointF(0, 0), from);
        drawPart(painter, to, wiped(size, transition.direction, p));
        return;
    case Style::split:
    case Style::box: {
        const bool boxed = transition.style == Style::box;
        const auto part = [&](double share) {
            return boxed ? centred(size, share) : band(size, transition.vertical, share);
        };
        if (transition.outward) {
            painter.drawImage(QPointF(0, 0), from);
            drawPart(painter, to, part(p));
        } else {
            painter.drawImage(QPointF(0, 0), to);
            drawPart(painter, from, part(1 - p));
        }
        return;
    }
    case Style::blinds: {
        painter.drawImage(QPointF(0, 0), from);
        const double strip =
            (transition.vertical ? size.width() : size.height()) / double(blindCount);
        for (int i = 0; i < blindCount; ++i) {
            const QRectF opened = transition.vertical
                                      ? QRectF(i * strip, 0, strip * p, size.height())
                                      : QRectF(0, i * strip, size.width(), strip * p);
            drawPart(painter, to, opened);
        }
        return;
    }
    case Style::push:
    case Style::cover:
    case Style::uncover: {
        const QPointF way =
            motion(transition.direction == PageTransition::noDirection ? 0 : transition.direction);
        const QPointF whole(way.x() * size.width(), way.y() * size.height());
        if (transition.style == Style::cover) {
            painter.drawImage(QPointF(0, 0), from);
            painter.drawImage(whole * (p - 1), to);
        } else if (transition.style == Style::uncover) {
            painter.drawImage(QPointF(0, 0), to);
            painter.drawImage(whole * p, from);
        } else {
            painter.fillRect(QRectF(QPointF(0, 0), size), Qt::black);
            painter.drawImage(whole * p, from);
            painter.drawImage(whole * (p - 1), to);
        }
        return;
    }
    case Style::fly:
        fly(painter, from, to, transition, p);
        return;
    case Style::dissolve:
    case Style::glitter:
        if (from.format() == to.format() && from.depth() == 32)
            painter.drawImage(QPointF(0, 0), pixels.at(from, to, transition, p));
        else
            painter.drawImage(QPointF(0, 0),
                              pixels.at(from.convertToFormat(QImage::Format_RGB32),
                                        to.convertToFormat(QImage::Format_RGB32), transition, p));
        return;
    }
}

QImage frame(const QImage& from, const QImage& to, const PageTransition& transition,
             double progress) {
    QImage picture(to.size(), QImage::Format_RGB32);
    picture.fill(Qt::black);
    DissolveFrames pixels;
    QPainter painter(&picture);
    paint(painter, from, to, transition, progress, pixels);
    return picture;
}

} // namespace TransitionFrames
