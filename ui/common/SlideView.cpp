#include "ui/common/SlideView.h"

#include "base/Colors.h"
#include "base/L10n.h"
#include "document/Deck.h"
#include "render/PageImage.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <cmath>

SlideView::SlideView(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted in paintEvent, so Qt need not clear the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

SlideView::~SlideView() {
    withdraw();
}

void SlideView::setDeck(Deck* deck) {
    shownDeck = deck;
}

void SlideView::setPage(std::optional<qint64> page) {
    shownPage = page;
}

void SlideView::setRegion(const std::optional<QRectF>& region) {
    if (region == zoomRegion)
        return;
    zoomRegion = region;
    update();
}

void SlideView::setBlank(Blank blank) {
    if (blank == blanking)
        return;
    blanking = blank;
    update();
}

void SlideView::setPlaceholder(const QString& text) {
    placeholderText = text;
    update();
}

void SlideView::setHighlightColor(std::optional<QColor> color) {
    highlight = color;
    update();
}

void SlideView::setVeil(const std::optional<Veil>& veil) {
    if (veil == veiled)
        return;
    veiled = veil;
    update();
}

void SlideView::setBadge(const QString& text, const QString& shortText) {
    if (text == badgeText && shortText == shortBadgeText)
        return;
    badgeText = text;
    shortBadgeText = shortText;
    update();
}

double SlideView::pixelRatio() const {
    // The widget's own ratio is the one its painter uses (on some platforms the window handle's
    // differs from it).
    if (window()->windowHandle())
        return window()->devicePixelRatioF();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return screen->devicePixelRatio();
    return 2.0;
}

QSize SlideView::pixelKeySize() const {
    return pixelSize(size(), pixelRatio());
}

QSize SlideView::drawnKeySize() const {
    // A region is letter-boxed into the whole view, whatever half of the page holds the slide.
    if (zoomRegion)
        return pixelKeySize();
    return shownDeck ? shownDeck->geometry(pixelKeySize(), notesHalf).drawn : pixelKeySize();
}

QSize SlideView::pixelSize(QSizeF logicalSize, double ratio) {
    return QSize(int(std::round(logicalSize.width() * ratio)),
                 int(std::round(logicalSize.height() * ratio)));
}

void SlideView::refresh() {
    SlideRenderer* renderer = shownDeck ? shownDeck->renderer() : nullptr;
    refreshedGeneration = shownDeck ? shownDeck->generation() : 0;
    if (!shownPage || !renderer || width() <= 1 || height() <= 1) {
        withdraw();
        shownImage.reset();
        shownKey.reset();
        update();
        return;
    }
    if (!isVisible()) {
        withdraw();
        return;
    }
    const SlideRenderer::Key key = wantedKey();
    // A cache hit installs at once. On a miss the image held so far stays, untouched and not
    // repainted, until the new one arrives: the previous slide, or this one at the old size.
    renderer->request(
        key,
        [view = QPointer<SlideView>(this), key](const QImage& image) {
            if (view)
                view->install(key, image);
        },
        renderPriority, this);
}

SlideRenderer::Key SlideView::wantedKey() const {
    const QSize size = drawnKeySize();
    return zoomRegion ? RenderKey::ofRegion(*shownPage, size.width(), size.height(), *zoomRegion)
                      : SlideRenderer::Key{*shownPage, size.width(), size.height()};
}

void SlideView::install(const SlideRenderer::Key& key, const QImage& image) {
    if (!shownPage || key != wantedKey())
        return;
    shownImage = image;
    shownKey = key;
    update();
}

void SlideView::withdraw() {
    if (shownDeck && shownDeck->renderer())
        shownDeck->renderer()->withdraw(this);
}

bool SlideView::needsRefreshFor(std::optional<qint64> page) const {
    return page != shownPage || (shownDeck && shownDeck->generation() != refreshedGeneration);
}

double SlideView::placeholderFontSize(double height) {
    return std::clamp(height / 12.0, 12.0, 28.0);
}

double SlideView::captionFontSize(double height) {
    return std::clamp(height / 7.0, 10.0, 56.0);
}

bool SlideView::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    // Sent when the window reaches a screen of another pixel ratio, with the new ratio in place.
    if (event->type() == QEvent::ScreenChangeInternal)
        refresh();
    return handled;
}

void SlideView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
}

void SlideView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    withdraw();
}

void SlideView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    refresh();
}

void SlideView::paintText(QPainter& painter, const QRectF& bounds, const QString& text) const {
    QFont font = QApplication::font();
    // Sizes here are in device-independent pixels, so the font is sized in pixels too.
    font.setPixelSize(int(std::round(placeholderFontSize(bounds.height()))));
    font.setWeight(QFont::Medium);
    painter.setFont(font);
    painter.setPen(Colors::grey(0.55));
    const QFontMetricsF metrics(font);
    const QSizeF extent(metrics.horizontalAdvance(text), metrics.height());
    const QPointF origin((bounds.width() - extent.width()) * 0.5,
                         (bounds.height() - extent.height()) * 0.5);
    painter.drawText(QRectF(origin, extent), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     text);
}

void SlideView::paintEnlarged(QPainter& painter) {
    const QSizeF page = shownDeck ? shownDeck->pageSizes().value(*shownPage) : QSizeF();
    const QRectF& region = *zoomRegion;
    const QRect from = PageImage::pageArea(page, shownImage->width(), shownImage->height());
    const QSize view = pixelKeySize();
    const QRect to =
        PageImage::pageArea(QSizeF(page.width() * region.width(), page.height() * region.height()),
                            view.width(), view.height());
    painter.fillRect(rect(), backgroundColour);
    if (from.isEmpty() || to.isEmpty())
        return;
    // Unsmoothed, a full screen's enlargement is drawn 4 ms sooner (bench/latency/zoom.sh); it
    // stands only until the sharp picture arrives.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const double ratio = pixelRatio();
    painter.drawImage(
        QRectF(to.x() / ratio, to.y() / ratio, to.width() / ratio, to.height() / ratio),
        *shownImage,
        QRectF(from.x() + region.x() * from.width(), from.y() + region.y() * from.height(),
               region.width() * from.width(), region.height() * from.height()));
}

void SlideView::paintVeil(QPainter& painter, const QRectF& bounds) const {
    painter.fillRect(bounds, veiled->colour);
    QFont font = QApplication::font();
    font.setPixelSize(int(std::round(captionFontSize(bounds.height()))));
    font.setWeight(QFont::Bold);
    painter.setFont(font);
    painter.setPen(veiled->captionColour);
    const QString caption = QFontMetricsF(font).elidedText(veiled->caption, Qt::ElideRight,
                                                           std::max(0.0, bounds.width() - 4));
    painter.drawText(bounds, Qt::AlignCenter | Qt::TextSingleLine, caption);
}

void SlideView::paintBadge(QPainter& painter, const QRectF& bounds) const {
    QFont font = QApplication::font();
    font.setPixelSize(int(std::round(std::clamp(bounds.height() / 7.0, 9.0, 14.0))));
    font.setWeight(QFont::DemiBold);
    const QFontMetricsF metrics(font);
    const double margin = 3;
    const double padding = 3;
    const double room = bounds.width() - 2 * (margin + padding);
    const QString text = metrics.horizontalAdvance(badgeText) <= room || shortBadgeText.isEmpty()
                             ? badgeText
                             : shortBadgeText;
    const QSizeF extent(std::min(metrics.horizontalAdvance(text), std::max(0.0, room)) +
                            2 * padding,
                        metrics.height());
    const QRectF box(bounds.right() - margin - extent.width(),
                     bounds.bottom() - margin - extent.height(), extent.width(), extent.height());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 180));
    painter.drawRoundedRect(box, 3, 3);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine,
                     metrics.elidedText(text, Qt::ElideRight, std::max(0.0, room)));
}

void SlideView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF bounds = rect();
    if (blanking != Blank::none) {
        painter.fillRect(bounds, blanking == Blank::black ? Qt::black : Qt::white);
        return;
    }
    const bool exactOnly = renderPriority == RenderPriority::audienceView;
    const bool split =
        shownDeck && (shownDeck->notesSide() != NotesSide::none || notesHalf) && !zoomRegion;
    const bool drawn =
        shownPage && shownImage && (!exactOnly || shownImage->size() == drawnKeySize());
    // A whole page covers every pixel; clearing first would cost a full-screen fill per change.
    if (!drawn || split)
        painter.fillRect(bounds, backgroundColour);
    if (drawn) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        if (zoomRegion && shownKey && shownKey->wholePage()) {
            paintEnlarged(painter);
        } else if (!split) {
            // The renderer letter-boxed the page into exactly this size: at the key's size this
            // is a plain pixel copy, after a resize a short-lived stretch.
            painter.drawImage(bounds, *shownImage, QRectF(shownImage->rect()));
        } else {
            // One half of the whole page, letter-boxed here: a pixel copy at the key's size.
            const PageSplit::Geometry shown = shownDeck->geometry(pixelKeySize(), notesHalf);
            const QRectF half = PageSplit::region(shownDeck->notesSide(), notesHalf);
            const QSizeF image = shownImage->size();
            const QRectF source =
                shownImage->size() == shown.drawn
                    ? QRectF(shown.source)
                    : QRectF(half.x() * image.width(), half.y() * image.height(),
                             half.width() * image.width(), half.height() * image.height());
            const double ratio = pixelRatio();
            const QRectF target(shown.target.x() / ratio, shown.target.y() / ratio,
                                shown.target.width() / ratio, shown.target.height() / ratio);
            painter.drawImage(target, *shownImage, source);
        }
    } else if (!placeholderText.isEmpty()) {
        paintText(painter, bounds, placeholderText);
    }
    // Only the speaker learns why a slide is black; the audience sees black.
    if (!exactOnly && shownPage && shownDeck && shownDeck->renderer() &&
        shownDeck->renderer()->hasFailed(*shownPage))
        paintText(painter, bounds, L10n::lookup("Folie kann nicht angezeigt werden"));
    if (veiled && !exactOnly)
        paintVeil(painter, bounds);
    if (!badgeText.isEmpty())
        paintBadge(painter, bounds);
    if (highlight) {
        // Antialiased, so the stroke covers exactly the three outer pixel rings.
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(*highlight, 3.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(bounds.adjusted(1.5, 1.5, -1.5, -1.5));
    }
}
