// The presenter tools' state: the tool in hand, the ink, a zoomed part of the slide, a frozen
// projector and the whiteboard shown, with what Esc and a slide change do to them. Both windows
// are drawn from this one state, so the projector never shows a tool state the console does not.
#pragma once

#include "drawing/Stroke.h"

#include <QColor>
#include <QList>
#include <QRectF>

#include <optional>

class ToolState {
public:
    enum class Tool { none, pointer, spotlight, pen, highlighter, eraser, zoom };

    Tool tool() const { return held; }
    // Takes up the tool; the tool in hand again puts it away. Zoom waits for a rectangle to be
    // dragged on the slide, then gives the hand its tool back.
    void choose(Tool tool);
    // Whether the tool draws on the slide with the mouse's button: pen, highlighter, eraser, zoom.
    bool takesClicks() const;

    bool frozen() const { return isFrozen; }
    void toggleFreeze() { isFrozen = !isFrozen; }

    // The part of the current page shown enlarged (0..1 page coordinates), if any.
    const std::optional<QRectF>& zoom() const { return zoomed; }
    void zoomTo(const QRectF& region);
    void unzoom() { zoomed.reset(); }

    qint64 page() const { return currentPage; }
    // 0: the slide; n: the n-th whiteboard after it.
    int board() const { return shownBoard; }
    void showBoard(int board);
    // The talk is at `page` now: a zoom and a whiteboard belong to the page they were shown on
    // and end with it; the tool and a frozen projector stay.
    void pageChanged(qint64 page);

    // Leaves the zoom, else thaws the projector, else puts the tool away, else leaves the
    // whiteboard for its slide: false when there was none of these, so that Esc goes on to the
    // talk.
    bool escape();

    // The pen's or the highlighter's ink, whichever the hand holds (the pen's otherwise).
    Ink ink() const { return held == Tool::highlighter ? Ink::highlighter : Ink::pen; }
    static const QList<QColor>& colours(Ink ink);
    // Widths as a share of the page's height.
    static const QList<double>& widths(Ink ink);
    int colourIndex() const { return colourChoice[int(ink())]; }
    int widthIndex() const { return widthChoice[int(ink())]; }
    QColor colour() const { return colours(ink()).at(colourIndex()); }
    double width() const { return widths(ink()).at(widthIndex()); }
    void chooseColour(int index);
    void chooseWidth(int index);
    // The next colour or width of the ink in hand, round.
    void nextColour() { chooseColour((colourIndex() + 1) % int(colours(ink()).size())); }
    void nextWidth() { chooseWidth((widthIndex() + 1) % int(widths(ink()).size())); }

    // The spotlight's radius as a share of the slide's height; each wheel step makes it a tenth
    // larger or smaller, within bounds.
    double spotlightRadius() const { return spotlight; }
    void scaleSpotlight(int steps);

private:
    Tool held = Tool::none;
    // What the hand held before it took up the zoom.
    Tool beforeZoom = Tool::none;
    bool isFrozen = false;
    std::optional<QRectF> zoomed;
    qint64 currentPage = 0;
    int shownBoard = 0;
    int colourChoice[2] = {0, 0};
    int widthChoice[2] = {1, 1};
    double spotlight = 0.16;
};
