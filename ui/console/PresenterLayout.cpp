#include "ui/console/PresenterLayout.h"

#include <algorithm>
#include <cmath>

namespace PresenterLayout {

Frames layoutAll(const Input& in) {
    const double W = in.width;
    const double H = in.height;
    Frames f;
    f.slidesShown = in.hasPages;
    f.emptyStateShown = !in.hasPages;
    f.navigationEnabled = in.hasPages;

    const double perColumn = std::max(std::round(in.sidebarFraction * W), 90.0);
    const double s =
        in.hasPages ? std::min(perColumn * std::max(in.thumbnailColumns, 1), W * 0.5) : 0.0;
    f.sidebar = QRectF(0, 0, s, H);
    const double left = s + 20;
    const double contentW = W - left - 20;

    const double maxH = H - slidesTop - controlsHeight;
    const double availW = contentW - 20;
    const double cw = std::round(in.slideSplit * availW);
    const double limit = maxH * in.aspect;
    double a = std::min(cw, limit);
    double b = std::min(availW - cw, limit);
    double currentH = std::round(a / in.aspect);
    double nextH = std::round(b / in.aspect);
    // The notes take their share of the height from the slide they share a column with, which
    // keeps its shape; a slide smaller than the rest of the column is left as it is.
    const bool notesBeside = availW - cw >= notesBesideMinimumWidth;
    if (in.hasPages && in.notesWanted) {
        const double room = std::max(0.0, std::round((1 - in.notesSplit) * maxH) - 42);
        double& slideH = notesBeside ? nextH : currentH;
        double& slideW = notesBeside ? b : a;
        if (slideH > room) {
            slideH = room;
            slideW = std::round(room * in.aspect);
        }
    }
    f.current = QRectF(left, slidesTop, std::round(a), currentH);
    f.next = QRectF(left + cw + 20, slidesTop, std::round(b), nextH);

    f.sidebarHandle = QRectF(s - 3, 0, 7, H);
    f.slideHandle = QRectF(left + cw + 6, slidesTop, 8, std::max(currentH, nextH));

    f.currentLabel = QRectF(left, slidesTop - 30, a, 24);
    f.nextLabel = QRectF(f.next.x(), slidesTop - 30, b, 24);
    f.statusLabel = QRectF(f.next.x(), f.next.bottom() + 12, b, 22);

    if (in.hasPages && in.notesWanted) {
        const double notesTop = notesBeside ? f.statusLabel.bottom() + 8 : f.current.bottom() + 14;
        const double notesBottom = H - controlsHeight;
        f.notes = notesBeside ? QRectF(f.next.x(), notesTop, availW - cw, notesBottom - notesTop)
                              : QRectF(left, notesTop, cw, notesBottom - notesTop);
        f.notesHandle = QRectF(f.notes.x(), notesTop - 7, f.notes.width(), 7);
        f.notesShown = f.notes.height() >= 60;
    }
    // The controls keep their distance from the lower edge.
    f.pauseButton = QRectF(left, H - 62, 180, 32);
    f.resetButton = QRectF(left + 186, H - 62, 210, 32);

    const double xs = W - 20 - 240;
    const double xn = xs - 12 - 130;
    f.startButton = QRectF(xs, H - 124, 240, 40);
    f.blackButton = QRectF(xs, H - 74, 240, 32);
    f.nextButton = QRectF(xn, H - 124, 130, 40);
    f.prevButton = QRectF(xn - 8 - 130, H - 124, 130, 40);
    f.screenCaption = QRectF(f.prevButton.x(), H - 76, 268, 16);
    f.screenChooser = QRectF(f.prevButton.x() - 2, H - 60, 272, 30);

    f.hintLabel = QRectF(left, H - 18, contentW, 16);

    // The notes pane, where shown, takes the band below the slides before the timers grow into it.
    const double lowest =
        std::max({f.current.bottom(), f.next.bottom(), f.notesShown ? f.notes.bottom() : 0.0});
    const double band = H - lowest - 20;
    const double k =
        in.activeBlock == Block::None
            ? std::clamp(std::min({H / 820, band / 150, (f.prevButton.x() - 10 - left) / 410}), 1.0,
                         2.5)
            : 1.0;
    f.timeScale = k;
    const double timerH = std::round(56 * k);
    f.timerLabel = QRectF(left - 2, H - 66 - timerH, std::round(240 * k), timerH);
    f.timerCaption = QRectF(left, f.timerLabel.y() - 18, 220, 16);
    f.paceLine = QRectF(left, H - 70, std::round(200 * k), 6);

    if (in.activeBlock == Block::None) {
        f.talkTimerShown = true;
        const double clockH = std::round(40 * k);
        f.clockLabel =
            QRectF(left + std::round(248 * k), H - 78 - clockH, std::round(160 * k), clockH);
        f.clockCaption = QRectF(f.clockLabel.x() + 2, f.clockLabel.y() - 22, 160, 16);
        f.clockShown = f.clockLabel.x() + f.clockLabel.width() <= f.prevButton.x() - 10;
    } else {
        f.talkTimerShown = false;
        const double w = std::min(std::max(f.prevButton.x() - left - 200, 260.0), 400.0);
        f.block = QRectF(left, H - 24 - in.blockHeight, w, in.blockHeight);
        const double xc = left + w + 24;
        f.clockCaption = QRectF(xc + 2, H - 140, 160, 16);
        f.clockLabel = QRectF(xc, H - 118, 160, 40);
        f.clockShown = !(f.prevButton.x() - 10 < xc + 160);
    }

    f.openButton = QRectF((W - 180) * 0.5, H * 0.5 + 14, 180, 36);
    f.emptyLabel = QRectF(0, H * 0.5 - 30, W, 30);
    return f;
}

QRect rounded(const QRectF& geometry) {
    return QRect(int(std::round(geometry.x())), int(std::round(geometry.y())),
                 int(std::round(geometry.width())), int(std::round(geometry.height())));
}

} // namespace PresenterLayout
