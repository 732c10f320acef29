// The presenter view's geometry as a pure function: frames in points, origin bottom-left, y up.
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

// Every frame of the view; `...Shown` flags say which views are visible.
struct Frames {
    QRectF sidebar, current, next, sidebarHandle, slideHandle;
    QRectF currentLabel, nextLabel, statusLabel;
    QRectF timerCaption, timerLabel, paceLine, pauseButton, resetButton;
    QRectF startButton, blackButton, nextButton, prevButton, screenCaption, screenPopup;
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
// The lower edge of the slides and the notes: above the timers and buttons.
constexpr double slidesBottom = 170;

Frames layoutAll(const Input& input);

// Converts a bottom-left frame into the widget coordinates of a parent `parentHeight` tall,
// rounding every edge to whole points with halves away from zero.
QRect flip(const QRectF& frame, double parentHeight);

} // namespace PresenterLayout
