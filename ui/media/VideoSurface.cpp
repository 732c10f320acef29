#include "ui/media/VideoSurface.h"

#include "base/Colors.h"
#include "media/MediaPlacement.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

// The console's strip, in device-independent pixels.
constexpr int stripHeight = 28;
constexpr int stripMinimumWidth = 220;

} // namespace

VideoSurface::VideoSurface(Role role, QWidget* slideView) : QWidget(slideView), role(role) {
    if (role == Role::audience)
        setCursor(Qt::BlankCursor);
    else
        setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    // Under the presenter tools: the pointer and the ink show over a playing clip, and a press
    // the tools do not take reaches the clip through them.
    lower();
}

void VideoSurface::setArea(QRect devicePixels) {
    area = devicePixels;
    place();
}

void VideoSurface::place() {
    QWidget* view = parentWidget();
    const double ratio = view->devicePixelRatioF();
    const QRect logical(int(std::floor(area.x() / ratio)), int(std::floor(area.y() / ratio)),
                        int(std::ceil(area.width() / ratio)),
                        int(std::ceil(area.height() / ratio)));
    QRect frame = logical;
    if (role == Role::console) {
        // A small clip (a sound's icon) gets its strip below it, kept within the view.
        if (logical.height() < 2 * stripHeight || logical.width() < stripMinimumWidth) {
            frame.setWidth(std::max(logical.width(), stripMinimumWidth));
            frame.setHeight(logical.height() + stripHeight);
            frame.moveRight(std::min(frame.right(), view->width() - 1));
            frame.moveBottom(std::min(frame.bottom(), view->height() - 1));
            frame.moveLeft(std::max(frame.left(), 0));
            frame.moveTop(std::max(frame.top(), 0));
        }
    }
    setGeometry(frame);
    update();
}

QRectF VideoSurface::videoRect() const {
    const double ratio = devicePixelRatioF();
    return QRectF(area.x() / ratio - x(), area.y() / ratio - y(), area.width() / ratio,
                  area.height() / ratio);
}

void VideoSurface::setFrame(const QImage& image) {
    frame = image;
    // A frame covers its area whole, so the slide below need not be painted first.
    setAttribute(Qt::WA_OpaquePaintEvent, !frame.isNull() && role == Role::audience);
    update(videoRect().toAlignedRect());
}

void VideoSurface::setState(bool isPlaying, qint64 positionMs, qint64 durationMs) {
    if (isPlaying == playing && positionMs / 1000 == position / 1000 && durationMs == duration)
        return;
    playing = isPlaying;
    position = positionMs;
    duration = durationMs;
    if (role == Role::console)
        update(stripRect());
}

QRect VideoSurface::stripRect() const {
    if (role == Role::audience)
        return {};
    return QRect(0, height() - stripHeight, width(), stripHeight);
}

QRect VideoSurface::buttonRect() const {
    const QRect strip = stripRect();
    return QRect(strip.x(), strip.y(), stripHeight, stripHeight);
}

QRect VideoSurface::barRect() const {
    const QRect strip = stripRect();
    const int textWidth = 92;
    return QRect(strip.x() + stripHeight + 4, strip.y() + stripHeight / 2 - 3,
                 std::max(10, strip.width() - stripHeight - 8 - textWidth), 6);
}

QString VideoSurface::timeText(qint64 positionMs, qint64 durationMs) {
    const auto clock = [](qint64 ms) {
        const qint64 seconds = std::max<qint64>(0, ms) / 1000;
        return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    };
    return durationMs > 0 ? clock(positionMs) + QStringLiteral(" / ") + clock(durationMs)
                          : clock(positionMs);
}

void VideoSurface::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF video = videoRect();
    if (!frame.isNull()) {
        // The frame is already at the area's device pixels: a plain copy, bars black.
        const double ratio = devicePixelRatioF();
        const QRect devicePlace = MediaPlacement::fitted(frame.size(), area);
        const QRectF target((devicePlace.x()) / ratio - x(), devicePlace.y() / ratio - y(),
                            devicePlace.width() / ratio, devicePlace.height() / ratio);
        if (role == Role::audience || target.size() != video.size())
            painter.fillRect(video, Qt::black);
        painter.drawImage(target, frame);
    }
    if (role != Role::console)
        return;
    const QRect strip = stripRect();
    painter.fillRect(strip, QColor(0, 0, 0, 170));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    const QRectF button = QRectF(buttonRect()).adjusted(9, 8, -9, -8);
    if (playing) {
        painter.drawRect(QRectF(button.left(), button.top(), button.width() / 3, button.height()));
        painter.drawRect(QRectF(button.right() - button.width() / 3, button.top(),
                                button.width() / 3, button.height()));
    } else {
        QPainterPath triangle;
        triangle.moveTo(button.topLeft());
        triangle.lineTo(button.right(), button.center().y());
        triangle.lineTo(button.bottomLeft());
        triangle.closeSubpath();
        painter.drawPath(triangle);
    }
    const QRect bar = barRect();
    painter.setBrush(Colors::grey(0.4));
    painter.drawRoundedRect(bar, 3, 3);
    if (duration > 0) {
        QRectF done = bar;
        done.setWidth(bar.width() * std::clamp(double(position) / double(duration), 0.0, 1.0));
        painter.setBrush(Colors::orange);
        painter.drawRoundedRect(done, 3, 3);
    }
    painter.setPen(Colors::grey(0.85));
    painter.drawText(
        QRect(bar.right() + 6, strip.y(), strip.right() - bar.right() - 6, strip.height()),
        Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, timeText(position, duration));
}

void VideoSurface::seekTo(double x) {
    const QRect bar = barRect();
    if (duration > 0 && bar.width() > 0)
        emit seekRequested(qint64(std::clamp((x - bar.x()) / bar.width(), 0.0, 1.0) * duration));
}

void VideoSurface::mousePressEvent(QMouseEvent* event) {
    // Anything but a left click is the slide's: on the projector, the right button steps back.
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const QPointF at = event->position();
    if (stripRect().contains(at.toPoint()) && !buttonRect().contains(at.toPoint())) {
        if (barRect().adjusted(0, -8, 0, 8).contains(at.toPoint()))
            seekTo(at.x());
        event->accept();
        return;
    }
    if (stripRect().contains(at.toPoint()) || videoRect().contains(at)) {
        emit toggleRequested();
        event->accept();
        return;
    }
    event->ignore();
}

void VideoSurface::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) && stripRect().contains(event->position().toPoint()))
        seekTo(event->position().x());
}
