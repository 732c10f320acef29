#include "ui/console/PaceLine.h"

#include "base/Colors.h"
#include "base/L10n.h"

#include <QPainter>
#include <cmath>

PaceLine::PaceLine(QWidget* parent) : QWidget(parent) {
    setToolTip(legend());
}

QString PaceLine::legend() {
    return L10n::lookup("Tempolinie: der Balken füllt sich mit der geplanten Zeit – grün vor dem "
                        "Plan, orange dahinter; der helle Strich zeigt, wo die aktuelle Folie im "
                        "Foliensatz liegt.");
}

void PaceLine::setReading(const TalkPace::Reading& reading) {
    const bool changed = reading.timeUsed != shown.timeUsed ||
                         reading.slidesDone != shown.slidesDone ||
                         reading.slideShare != shown.slideShare || reading.pace != shown.pace;
    shown = reading;
    if (changed)
        update();
}

QColor PaceLine::fillColour(TalkPace::Pace pace) {
    switch (pace) {
    case TalkPace::Pace::ahead:
        return Colors::green;
    case TalkPace::Pace::behind:
        return Colors::orange;
    case TalkPace::Pace::onPace:
        break;
    }
    return Colors::grey(0.8);
}

void PaceLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const double w = width();
    const double h = height();
    // The track and the time used are a thin line in the middle; the slide mark spans the height.
    const double lineH = std::max(2.0, std::round(h / 3));
    const double lineY = std::round((h - lineH) / 2);
    painter.fillRect(QRectF(0, lineY, w, lineH), Colors::grey(0.3));
    painter.fillRect(QRectF(0, lineY, std::round(shown.timeUsed * w), lineH),
                     fillColour(shown.pace));
    if (shown.slideShare > 0) {
        const double from = std::round(shown.slidesDone * w);
        const double to = std::max(from + 2, std::round((shown.slidesDone + shown.slideShare) * w));
        painter.fillRect(QRectF(from, 0, to - from, h), Colors::grey(1.0, 0.55));
    }
}
