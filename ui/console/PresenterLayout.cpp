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

    const double top = H - 20 - 24 - 8;
    const double maxH = top - slidesBottom;
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
    f.current = QRectF(left, top - currentH, std::round(a), currentH);
    f.next = QRectF(left + cw + 20, top - nextH, std::round(b), nextH);

    f.sidebarHandle = QRectF(s - 3, 0, 7, H);
    const double handleH = std::max(currentH, nextH);
    f.slideHandle = QRectF(left + cw + 6, top - handleH, 8, handleH);

    f.currentLabel = QRectF(left, top + 6, a, 24);
    f.nextLabel = QRectF(f.next.x(), top + 6, b, 24);
    f.statusLabel = QRectF(f.next.x(), f.next.y() - 34, b, 22);

    if (in.hasPages && in.notesWanted) {
        const double notesTop = notesBeside ? f.statusLabel.y() - 8 : f.current.y() - 14;
        f.notes = notesBeside
                      ? QRectF(f.next.x(), slidesBottom, availW - cw, notesTop - slidesBottom)
                      : QRectF(left, slidesBottom, cw, notesTop - slidesBottom);
        f.notesHandle = QRectF(f.notes.x(), notesTop, f.notes.width(), 7);
        f.notesShown = f.notes.height() >= 60;
    }
    f.pauseButton = QRectF(left, 30, 180, 32);
    f.resetButton = QRectF(left + 186, 30, 210, 32);

    const double xs = W - 20 - 240;
    const double xn = xs - 12 - 130;
    f.startButton = QRectF(xs, 84, 240, 40);
    f.blackButton = QRectF(xs, 42, 240, 32);
    f.nextButton = QRectF(xn, 84, 130, 40);
    f.prevButton = QRectF(xn - 8 - 130, 84, 130, 40);
    f.screenCaption = QRectF(f.prevButton.x(), 60, 268, 16);
    f.screenPopup = QRectF(f.prevButton.x() - 2, 30, 272, 30);

    f.hintLabel = QRectF(left, 2, contentW, 16);

    // The notes pane, where shown, takes the band below the slides before the timers grow into it.
    const double band = std::min({f.current.y(), f.next.y(), f.notesShown ? f.notes.y() : H}) - 20;
    const double k =
        in.activeBlock == Block::None
            ? std::clamp(std::min({H / 820, band / 150, (f.prevButton.x() - 10 - left) / 410}), 1.0,
                         2.5)
            : 1.0;
    f.timeScale = k;
    f.timerLabel = QRectF(left - 2, 66, std::round(240 * k), std::round(56 * k));
    f.timerCaption = QRectF(left, 66 + std::round(56 * k) + 2, 220, 16);
    f.paceLine = QRectF(left, 64, std::round(200 * k), 6);

    if (in.activeBlock == Block::None) {
        f.talkTimerShown = true;
        f.clockLabel =
            QRectF(left + std::round(248 * k), 78, std::round(160 * k), std::round(40 * k));
        f.clockCaption = QRectF(f.clockLabel.x() + 2, 78 + f.clockLabel.height() + 6, 160, 16);
        f.clockShown = f.clockLabel.x() + f.clockLabel.width() <= f.prevButton.x() - 10;
    } else {
        f.talkTimerShown = false;
        const double w = std::min(std::max(f.prevButton.x() - left - 200, 260.0), 400.0);
        f.block = QRectF(left, 24, w, in.blockHeight);
        const double xc = left + w + 24;
        f.clockCaption = QRectF(xc + 2, 124, 160, 16);
        f.clockLabel = QRectF(xc, 78, 160, 40);
        f.clockShown = !(f.prevButton.x() - 10 < xc + 160);
    }

    f.openButton = QRectF((W - 180) * 0.5, H * 0.5 - 50, 180, 36);
    f.emptyLabel = QRectF(0, H * 0.5, W, 30);
    return f;
}

QRect flip(const QRectF& frame, double parentHeight) {
    const double x = std::round(frame.x());
    const double y = std::round(parentHeight - frame.y() - frame.height());
    return QRect(int(x), int(y), int(std::round(frame.width())), int(std::round(frame.height())));
}

} // namespace PresenterLayout
