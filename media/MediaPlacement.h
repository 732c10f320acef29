// Where a clip's area of a page lies in a view that shows the page, in the view's device pixels:
// the page letter-boxed as the renderer draws it, or the half of a notes page the view shows.
#pragma once

#include "document/PageSplit.h"

#include <QRect>
#include <QRectF>
#include <QSize>
#include <QSizeF>

namespace MediaPlacement {

// `area` in 0..1 page coordinates (top-left origin) of a page of `pageSize` points, shown in a
// view of `viewPixels` (on a deck whose notes are at `side`, the slide half); empty where none of
// it is shown.
QRect inView(QRectF area, QSizeF pageSize, NotesSide side, QSize viewPixels);

// `frame` letter-boxed into `area`: centred, its shape kept, in whole pixels.
QRect fitted(QSize frame, QRect area);

} // namespace MediaPlacement
