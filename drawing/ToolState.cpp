#include "drawing/ToolState.h"

#include <algorithm>
#include <cmath>

void ToolState::choose(Tool tool) {
    if (tool == held) {
        held = held == Tool::zoom ? beforeZoom : Tool::none;
        return;
    }
    if (tool == Tool::zoom)
        beforeZoom = held;
    held = tool;
}

bool ToolState::takesClicks() const {
    return held == Tool::pen || held == Tool::highlighter || held == Tool::eraser ||
           held == Tool::zoom;
}

void ToolState::zoomTo(const QRectF& region) {
    zoomed = region;
    if (held == Tool::zoom)
        held = beforeZoom;
}

void ToolState::showBoard(int board) {
    shownBoard = std::max(0, board);
    zoomed.reset();
}

void ToolState::pageChanged(qint64 page) {
    if (page == currentPage)
        return;
    currentPage = page;
    shownBoard = 0;
    zoomed.reset();
}

bool ToolState::escape() {
    if (zoomed) {
        zoomed.reset();
    } else if (isFrozen) {
        isFrozen = false;
    } else if (held != Tool::none) {
        held = Tool::none;
    } else if (shownBoard > 0) {
        shownBoard = 0;
    } else {
        return false;
    }
    return true;
}

const QList<QColor>& ToolState::colours(Ink ink) {
    static const QList<QColor> pen{QColor(0xFF, 0x45, 0x3A), QColor(0x0A, 0x84, 0xFF),
                                   QColor(0x30, 0xD1, 0x58), QColor(0x00, 0x00, 0x00),
                                   QColor(0xFF, 0xFF, 0xFF)};
    static const QList<QColor> highlighter{QColor(0xFF, 0xD6, 0x0A), QColor(0x30, 0xD1, 0x58),
                                           QColor(0xFF, 0x37, 0x5F), QColor(0x64, 0xD2, 0xFF)};
    return ink == Ink::pen ? pen : highlighter;
}

const QList<double>& ToolState::widths(Ink ink) {
    static const QList<double> pen{0.003, 0.006, 0.012};
    static const QList<double> highlighter{0.02, 0.035, 0.05};
    return ink == Ink::pen ? pen : highlighter;
}

void ToolState::chooseColour(int index) {
    colourChoice[int(ink())] = std::clamp(index, 0, int(colours(ink()).size()) - 1);
}

void ToolState::chooseWidth(int index) {
    widthChoice[int(ink())] = std::clamp(index, 0, int(widths(ink()).size()) - 1);
}

void ToolState::scaleSpotlight(int steps) {
    spotlight = std::clamp(spotlight * std::pow(1.1, steps), 0.05, 0.6);
}
