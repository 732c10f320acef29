// The pictures of a transition between two slide pictures of the same size, painted with what the
// projector already holds: nothing is drawn from the PDF again.
#pragma once

#include "engine/PageNavigation.h"

#include <QImage>

class QPainter;

namespace TransitionFrames {

// Paints the transition at `progress` (0: all of `from`, 1: all of `to`) into a painter whose
// coordinates are the pictures' pixels. The styles made pixel by pixel (dissolve, glitter) are
// put together in `scratch`, kept from one frame to the next.
void paint(QPainter& painter, const QImage& from, const QImage& to,
           const PageTransition& transition, double progress, QImage& scratch);

// The same picture as an image.
QImage frame(const QImage& from, const QImage& to, const PageTransition& transition,
             double progress);

} // namespace TransitionFrames
