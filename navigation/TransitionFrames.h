// The pictures of a transition between two slide pictures of the same size, painted with what the
// projector already holds: nothing is drawn from the PDF again.
#pragma once

#include "engine/PageNavigation.h"
#include "navigation/DissolveFrames.h"

#include <QImage>
#include <QPointF>

class QPainter;

namespace TransitionFrames {

// Paints the transition at `progress` (0: all of `from`, 1: all of `to`) into a painter whose
// coordinates are the pictures' pixels. The styles made pixel by pixel (dissolve, glitter) are
// put together in `pixels`, kept from one frame to the next.
void paint(QPainter& painter, const QImage& from, const QImage& to,
           const PageTransition& transition, double progress, DissolveFrames& pixels);

// The motion of a direction in whole pictures: 0 degrees is left to right, 90 bottom to top,
// 315 top left to bottom right.
QPointF motion(int degrees);

// The same picture as an image.
QImage frame(const QImage& from, const QImage& to, const PageTransition& transition,
             double progress);

} // namespace TransitionFrames
