#include "ui/tools/InkPalette.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

constexpr double side = 26;
constexpr double gap = 4;

} // namespace

InkPalette::InkPalette(QWidget* slideView) : QWidget(slideView) {
    slideView->installEventFilter(this);
    hide();
}

bool InkPalette::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent() && event->type() == QEvent::Resize)
        place();
    return false;
}

void InkPalette::place() {
    const int count = int(colours.size() + widths.size());
    const QSize size(int(gap + count * (side + gap) + gap), int(side + 2 * gap));
    setGeometry(QRect(QPoint(6, parentWidget()->height() - size.height() - 6), size));
}

void InkPalette::setChoices(const QList<QColor>& inks, int colour, const QList<double>& sizes,
                            int width) {
    colours = inks;
    widths = sizes;
    colourIndex = colour;
    widthIndex = width;
    place();
    raise();
    update();
}

QRectF InkPalette::swatch(int i) const {
    // A little space between the colours and the widths.
    const double extra = i >= colours.size() ? gap : 0;
    return QRectF(gap + i * (side + gap) + extra, gap, side, side);
}

void InkPalette::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(30, 30, 30, 220));
    painter.drawRoundedRect(QRectF(rect()), 6, 6);
    for (int i = 0; i < colours.size(); ++i) {
        const QRectF at = swatch(i);
        painter.setPen(i == colourIndex ? QPen(Qt::white, 2) : QPen(QColor(90, 90, 90), 1));
        painter.setBrush(colours.at(i));
        painter.drawEllipse(at.adjusted(3, 3, -3, -3));
    }
    const double widest = widths.isEmpty() ? 1 : *std::max_element(widths.cbegin(), widths.cend());
    for (int i = 0; i < widths.size(); ++i) {
        const QRectF at = swatch(int(colours.size()) + i);
        painter.setPen(i == widthIndex ? QPen(Qt::white, 2) : Qt::NoPen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(at, 4, 4);
        const double radius = std::max(1.5, (side / 2 - 4) * widths.at(i) / widest);
        painter.setPen(Qt::NoPen);
        painter.setBrush(colours.value(colourIndex, Qt::white));
        painter.drawEllipse(at.center(), radius, radius);
    }
}

void InkPalette::mousePressEvent(QMouseEvent* event) {
    for (int i = 0; i < colours.size() + widths.size(); ++i) {
        if (!swatch(i).contains(event->position()))
            continue;
        if (i < colours.size())
            emit colourChosen(i);
        else
            emit widthChosen(i - int(colours.size()));
        return;
    }
}
