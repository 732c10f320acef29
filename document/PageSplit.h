// Beamer's notes pages: every page holds the slide in one half and its notes in the other.
#pragma once

#include <QList>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <optional>

// Where the notes are on the page; none: the whole page is the slide.
enum class NotesSide { none, left, right, top, bottom };

namespace PageSplit {

// The guess from the pages' shapes: notes on the right when every page is at least twice as wide
// as tall; below the slide when every page is two slides of a usual shape (4:3, 16:10, 16:9)
// stacked. A 4:3 deck or an A4 page is no split.
NotesSide detect(const QList<QSizeF>& pageSizes);

// The side chosen by the speaker ("none", "left", "right", "top", "bottom"); "auto" or anything
// else takes the guess, whose side the sidecar's beamerNotePosition may turn round.
NotesSide resolve(const QString& choice, const QList<QSizeF>& pageSizes, const QString& hint);

// "beamer-left" and so on, for the automation state.
QString name(NotesSide side);

// The slide's or the notes' half of a page, in 0..1 page coordinates, top-left origin.
QRectF region(NotesSide side, bool notes);

// How a view of `viewPixels` shows one half of a page of `pageSize` points: the whole page drawn
// at `drawn` (the renderer's key), of which `source` is the half, copied to `target` in the view.
struct Geometry {
    QSize drawn;
    QRect source;
    QRect target;
};
Geometry geometry(NotesSide side, bool notes, QSizeF pageSize, QSize viewPixels);

} // namespace PageSplit
