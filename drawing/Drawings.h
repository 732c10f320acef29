// The speaker's strokes per slide and per whiteboard, with what undoes them: what the pen, the
// highlighter, the eraser, undo and "clear this slide" change.
#pragma once

#include "drawing/Stroke.h"

#include <QHash>
#include <QList>
#include <QObject>

// A slide, or one of the whiteboards inserted after it: board 0 is the slide itself, board n the
// n-th whiteboard after it.
struct Sheet {
    qint64 page = 0;
    int board = 0;

    friend bool operator==(const Sheet&, const Sheet&) = default;
    friend size_t qHash(const Sheet& sheet, size_t seed = 0) {
        return qHashMulti(seed, sheet.page, sheet.board);
    }
};

class Drawings : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    const QList<Stroke>& strokes(const Sheet& sheet) const;
    void add(const Sheet& sheet, const Stroke& stroke);
    // Removes the strokes that pass within `radius` (a share of the page's height) of `point` on a
    // page of `aspect`: one step to undo. False when none did.
    bool erase(const Sheet& sheet, QPointF point, double radius, double aspect);
    // Removes every stroke of the sheet: one step to undo. False when it had none.
    bool clear(const Sheet& sheet);
    // Undoes the sheet's last step; false when there is none.
    bool undo(const Sheet& sheet);

    // How many whiteboards follow the page.
    int boards(qint64 page) const { return boardCounts.value(page); }
    // A new, empty whiteboard right after board `after` of the page (0: right after the slide);
    // the boards after it move up by one. Its number.
    int insertBoard(qint64 page, int after);
    // Takes the whiteboard out of the talk; the boards after it move down by one.
    void removeBoard(qint64 page, int board);

    // Every sheet that has strokes or is a whiteboard, by page and board.
    QList<Sheet> sheets() const;
    // Forgets everything, undo steps included.
    void reset();
    // Strokes read from the drawings file, after those the sheet has; no step to undo. A board
    // beyond the page's whiteboards adds whiteboards up to it.
    void place(const Sheet& sheet, const QList<Stroke>& strokes);

signals:
    // The sheet's strokes changed.
    void changed(const Sheet& sheet);
    // Whiteboards were added or taken out after the page.
    void boardsChanged(qint64 page);

private:
    // One step to undo: the strokes it removed at their places (ascending), or that it added one.
    struct Step {
        bool added = false;
        QList<std::pair<qsizetype, Stroke>> removed;
    };
    struct Content {
        QList<Stroke> strokes;
        QList<Step> steps;
    };
    void moveBoards(qint64 page, int from, int by);

    QHash<Sheet, Content> contents;
    QHash<qint64, int> boardCounts;
};
