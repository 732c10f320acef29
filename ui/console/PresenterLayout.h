// The presenter view's geometry as a pure function: rectangles in the view's own coordinates,
// origin top-left and y down, as QWidget::setGeometry takes them.
#pragma once

#include <QRect>
#include <QRectF>

namespace PresenterLayout {

enum class Block { None, Ontime, Stagetimer };

struct Input {
    double width = 0;
    double height = 0;
    bool hasPages = false;
    double sidebarFraction = 0.1; // of the width, per thumbnail column
    int thumbnailColumns = 1;
    double slideSplit = 0.62;
    double aspect = 16.0 / 9.0;
    Block activeBlock = Block::None;
    double blockHeight = 150;
    // The notes pane, and the share of the slides' height it may take from a slide.
    bool notesWanted = false;
    double notesSplit = 0.45;
};

// The geometry of every child of the view; `...Shown` flags say which children are visible.
struct Frames {
    QRectF sidebar, current, next, sidebarHandle, slideHandle;
    QRectF currentLabel, nextLabel, statusLabel;
    QRectF timerCaption, timerLabel, paceLine, pauseButton, resetButton;
    QRectF startButton, blackButton, nextButton, prevButton, screenCaption, screenChooser;
    QRectF hintLabel, block, clockCaption, clockLabel, openButton, emptyLabel;
    // The notes pane: beside the current slide under the next one when that column is wide
    // enough, else under the current slide; its handle lies on its upper edge.
    QRectF notes, notesHandle;

    bool slidesShown = false;    // sidebar, slides, their captions, status line, handles
    bool talkTimerShown = true;  // timer caption and label, pace line, pause and reset buttons
    bool clockShown = true;      // clock caption and label
    bool emptyStateShown = true; // open button and invitation text
    bool navigationEnabled = false;
    bool notesShown = false;
    // How much the talk timer and clock are enlarged (1 in the standard window): they grow with
    // a tall console as long as the band below the slides and the row beside the buttons allow.
    double timeScale = 1;
};

// Where the notes pane has room: beside the current slide needs a column this wide.
constexpr double notesBesideMinimumWidth = 240;
// The upper edge of the slides: below a margin and their captions.
constexpr double slidesTop = 20 + 24 + 8;
// The band along the lower edge that holds the timers and buttons; the slides and the notes end
// above it.
constexpr double controlsHeight = 170;

Frames layoutAll(const Input& input);

// The whole-pixel geometry a widget is placed at: position and size each rounded, halves away
// from zero. QRectF::toRect would also shift the size by the position's rounding.
QRect rounded(const QRectF& geometry);

} // namespace PresenterLayout
