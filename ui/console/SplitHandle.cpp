#include "ui/console/SplitHandle.h"

#include "base/Colors.h"

#include <QMouseEvent>
#include <QPainter>

SplitHandle::SplitHandle(QWidget* parent, Qt::Orientation orientation)
    : QWidget(parent), orientation(orientation) {
    setCursor(orientation == Qt::Vertical ? Qt::SplitHCursor : Qt::SplitVCursor);
    setFocusPolicy(Qt::NoFocus);
}

QRectF SplitHandle::lineRect(const QSizeF& size, bool hovered, Qt::Orientation orientation) {
    if (orientation == Qt::Horizontal) {
        const double midY = size.height() * 0.5;
        return hovered ? QRectF(0, midY - 1.5, size.width(), 3)
                       : QRectF(0, midY - 0.5, size.width(), 1);
    }
    const double midX = size.width() * 0.5;
    return hovered ? QRectF(midX - 1.5, 0, 3, size.height())
                   : QRectF(midX - 0.5, 0, 1, size.height());
}

void SplitHandle::enterEvent(QEnterEvent*) {
    hover = true;
    update();
}

void SplitHandle::leaveEvent(QEvent*) {
    hover = false;
    update();
}

void SplitHandle::mousePressEvent(QMouseEvent* event) {
    // Taken here, so that a press on the handle never reaches the views below it.
    event->accept();
}

void SplitHandle::mouseDoubleClickEvent(QMouseEvent* event) {
    // Qt reports the second click of a series as a double-click and a third one as a plain
    // press again, so a triple click resets once, on its second click.
    event->accept();
    if (event->button() == Qt::LeftButton)
        emit resetAsked();
}

void SplitHandle::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (!(event->buttons() & Qt::LeftButton) || !parentWidget())
        return;
    const QPointF position = mapToParent(event->position());
    emit dragged(orientation == Qt::Vertical ? position.x() : position.y());
}

void SplitHandle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(lineRect(size(), hover, orientation),
                     hover ? Colors::orange : Colors::grey(0.25));
}
