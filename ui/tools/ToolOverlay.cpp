#include "ui/tools/ToolOverlay.h"

#include "base/Colors.h"
#include "ui/tools/StrokePainter.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTabletEvent>
#include <QWheelEvent>

#include <algorithm>

namespace {

// A mouse draws at the middle pressure, which is the stroke's own width.
constexpr double mousePressure = 0.5;

} // namespace

ToolOverlay::ToolOverlay(QWidget* slideView) : QWidget(slideView) {
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setGeometry(slideView->rect());
    slideView->installEventFilter(this);
    raise();
    show();
}

bool ToolOverlay::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent() && event->type() == QEvent::Resize) {
        setGeometry(parentWidget()->rect());
        emit resized();
    }
    return false;
}

void ToolOverlay::setSlide(const SlideGeometry& slide) {
    if (slide.region == geometry.region && slide.target == geometry.target)
        return;
    geometry = slide;
    update();
}

void ToolOverlay::setFaded(bool fade) {
    if (fade == faded)
        return;
    faded = fade;
    update();
}

void ToolOverlay::setStrokes(const QList<Stroke>& shown) {
    if (shown == strokes)
        return;
    strokes = shown;
    update();
}

void ToolOverlay::setLiveStroke(const std::optional<Stroke>& stroke) {
    // Every change of the talk passes here: a repaint for nothing would paint the projector's
    // old slide once more before the new one.
    if (stroke == live)
        return;
    const qsizetype had = live ? live->points.size() : 0;
    const bool grows =
        live && stroke && stroke->points.size() > had && stroke->points.mid(0, had) == live->points;
    live = stroke;
    if (grows && frozen.isNull() && !spotlight) {
        // Only what the last points add: a repaint of the whole slide per motion is too slow.
        update(
            StrokePainter::partBounds(*live, had, live->points.size(), geometry).toAlignedRect());
        return;
    }
    update();
}

double ToolOverlay::dotRadius() const {
    return std::max(5.0, geometry.pageHeight() * 0.012);
}

QRectF ToolOverlay::dotBounds(const std::optional<QPointF>& page) const {
    if (!page || !geometry.isValid())
        return {};
    const QPointF at = geometry.toView(*page);
    const double glow = dotRadius() * 2.5;
    return QRectF(at.x() - glow, at.y() - glow, 2 * glow, 2 * glow).adjusted(-2, -2, 2, 2);
}

void ToolOverlay::setPointer(const std::optional<QPointF>& page) {
    if (page == pointer)
        return;
    const QRectF before = dotBounds(pointer);
    pointer = page;
    if (spotlight || !frozen.isNull()) {
        update();
        return;
    }
    update(before.toAlignedRect());
    update(dotBounds(pointer).toAlignedRect());
}

void ToolOverlay::setSpotlight(const std::optional<double>& radius) {
    if (radius == spotlight)
        return;
    spotlight = radius;
    update();
}

void ToolOverlay::setWhiteboard(bool board) {
    if (board == whiteboard)
        return;
    whiteboard = board;
    update();
}

void ToolOverlay::setFrozenPicture(const QPixmap& picture) {
    if (picture.isNull() && frozen.isNull())
        return;
    frozen = picture;
    update();
}

void ToolOverlay::setRubberBand(const std::optional<QRectF>& page) {
    if (page == rubberBand)
        return;
    rubberBand = page;
    update();
}

void ToolOverlay::setBanner(const QString& text) {
    if (text == banner)
        return;
    banner = text;
    update();
}

void ToolOverlay::setTakesClicks(bool takes) {
    takesClicks = takes;
    if (!takes)
        drawing = false;
}

void ToolOverlay::setHidesCursor(bool hides) {
    if (hides)
        setCursor(Qt::BlankCursor);
    else
        unsetCursor();
}

void ToolOverlay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!frozen.isNull()) {
        painter.drawPixmap(rect(), frozen);
    } else if (geometry.isValid()) {
        painter.setClipRect(geometry.target);
        // As much of the drawings as the blanking veil lets through of the slide.
        painter.setOpacity(faded ? 1.0 - Colors::blankVeilAlpha / 255.0 : 1.0);
        if (whiteboard)
            painter.fillRect(geometry.target, Qt::white);
        StrokePainter::paintAll(painter, strokes, geometry);
        if (live)
            StrokePainter::paint(painter, *live, geometry);
        painter.setOpacity(1.0);
        if (spotlight && pointer) {
            QPainterPath dimmed;
            dimmed.addRect(geometry.target);
            const double radius = *spotlight * geometry.target.height();
            dimmed.addEllipse(geometry.toView(*pointer), radius, radius);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.fillPath(dimmed, QColor(0, 0, 0, 190));
        } else if (pointer) {
            const QPointF at = geometry.toView(*pointer);
            const double radius = dotRadius();
            QRadialGradient glow(at, radius * 2.5);
            glow.setColorAt(0.0, QColor(255, 40, 40, 255));
            glow.setColorAt(0.35, QColor(255, 40, 40, 230));
            glow.setColorAt(0.45, QColor(255, 60, 60, 110));
            glow.setColorAt(1.0, QColor(255, 60, 60, 0));
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(Qt::NoPen);
            painter.setBrush(glow);
            painter.drawEllipse(at, radius * 2.5, radius * 2.5);
        }
        if (rubberBand) {
            const QRectF band(geometry.toView(rubberBand->topLeft()),
                              geometry.toView(rubberBand->bottomRight()));
            painter.setPen(QPen(Qt::white, 1.5, Qt::DashLine));
            painter.setBrush(QColor(255, 255, 255, 40));
            painter.drawRect(band.normalized());
        }
        painter.setClipping(false);
    }
    if (!banner.isEmpty()) {
        QFont font = painter.font();
        font.setPixelSize(std::clamp(height() / 18, 12, 22));
        font.setWeight(QFont::DemiBold);
        painter.setFont(font);
        const QRectF band(0, 0, width(), QFontMetricsF(font).height() * 1.6);
        painter.fillRect(band, QColor(0x0A, 0x84, 0xFF));
        painter.setPen(Qt::white);
        painter.drawText(band, Qt::AlignCenter, banner);
    }
}

bool ToolOverlay::forwardBeneath(QMouseEvent* event) {
    QWidget* target = forwardedTo;
    if (event->type() == QEvent::MouseButtonPress) {
        target = nullptr;
        // Siblings are stacked in the order of the parent's children: those before this one lie
        // under the tools.
        const QPoint at = mapToParent(event->position()).toPoint();
        for (QObject* child : parentWidget()->children()) {
            if (child == this)
                break;
            auto* widget = qobject_cast<QWidget*>(child);
            if (widget && widget->isVisible() && widget->geometry().contains(at))
                target = widget;
        }
    }
    if (!target)
        return false;
    QMouseEvent forwarded(event->type(), target->mapFromParent(mapToParent(event->position())),
                          event->scenePosition(), event->globalPosition(), event->button(),
                          event->buttons(), event->modifiers(), event->pointingDevice());
    forwarded.setAccepted(false);
    // Straight to the widget: through the application it would go on to the view when ignored,
    // and the view then gets this press a second time from the overlay.
    static_cast<QObject*>(target)->event(&forwarded);
    if (event->type() == QEvent::MouseButtonPress)
        forwardedTo = forwarded.isAccepted() ? target : nullptr;
    else if (event->type() == QEvent::MouseButtonRelease)
        forwardedTo = nullptr;
    return forwarded.isAccepted();
}

void ToolOverlay::mousePressEvent(QMouseEvent* event) {
    const bool eraser = event->button() == Qt::RightButton;
    if (!takesClicks || !geometry.isValid() || (event->button() != Qt::LeftButton && !eraser)) {
        event->setAccepted(forwardBeneath(event));
        return;
    }
    drawing = true;
    emit pressed(geometry.toPage(event->position()), mousePressure, eraser);
}

void ToolOverlay::mouseMoveEvent(QMouseEvent* event) {
    if (forwardedTo)
        forwardBeneath(event);
    if (!geometry.isValid())
        return;
    const QPointF page = geometry.toPage(event->position());
    emit pointerMoved(geometry.contains(event->position()) ? std::optional(page) : std::nullopt);
    if (drawing)
        emit dragged(page, mousePressure);
}

void ToolOverlay::mouseReleaseEvent(QMouseEvent* event) {
    if (!drawing) {
        event->setAccepted(forwardedTo && forwardBeneath(event));
        return;
    }
    drawing = false;
    emit released(geometry.toPage(event->position()));
}

void ToolOverlay::tabletEvent(QTabletEvent* event) {
    if (!takesClicks || !geometry.isValid()) {
        // Qt then sends the same as mouse events.
        event->ignore();
        return;
    }
    const QPointF page = geometry.toPage(event->position());
    const bool eraser = event->pointerType() == QPointingDevice::PointerType::Eraser;
    event->accept();
    if (event->type() == QEvent::TabletPress) {
        drawing = true;
        emit pressed(page, event->pressure(), eraser);
    } else if (event->type() == QEvent::TabletMove) {
        emit pointerMoved(geometry.contains(event->position()) ? std::optional(page)
                                                               : std::nullopt);
        if (drawing)
            emit dragged(page, event->pressure());
    } else if (event->type() == QEvent::TabletRelease && drawing) {
        drawing = false;
        emit released(page);
    }
}

void ToolOverlay::leaveEvent(QEvent*) {
    emit pointerMoved(std::nullopt);
}

void ToolOverlay::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 120;
    if (steps == 0 || !spotlight) {
        event->ignore();
        return;
    }
    emit wheelTurned(steps);
}
