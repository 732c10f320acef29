#include "ui/audience/TransitionLayer.h"

#include "navigation/TransitionFrames.h"

#include <QEvent>
#include <QPainter>
#include <QScreen>

#include <cmath>

namespace {

QImage asRgb32(const QImage& image) {
    return image.format() == QImage::Format_RGB32 ? image
                                                  : image.convertToFormat(QImage::Format_RGB32);
}

} // namespace

TransitionLayer::TransitionLayer(Clock& clock, QWidget* parent) : QWidget(parent), run(clock) {
    // Every pixel is painted, and the slide below need not paint while covered.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    // Clicks and the hidden pointer belong to the slide below.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
    setGeometry(parent->rect());
    parent->installEventFilter(this);
}

QSize TransitionLayer::pixelSize() const {
    const double ratio = devicePixelRatioF();
    return QSize(int(std::round(width() * ratio)), int(std::round(height() * ratio)));
}

void TransitionLayer::prepareDissolve(const QImage& shown) {
    if (!isPlaying() && shown.size() == pixelSize())
        pixels.prepare(asRgb32(shown));
}

double TransitionLayer::framePeriod() const {
    const QScreen* shownOn = screen();
    const double rate = shownOn ? shownOn->refreshRate() : 0;
    return rate >= 20 && rate <= 500 ? 1000.0 / rate : 1000.0 / 60;
}

void TransitionLayer::play(const QImage& from, const QImage& to, const Transitions::Move& move) {
    stop();
    if (from.size() != pixelSize() || to.size() != pixelSize())
        return;
    before = asRgb32(from);
    after = asRgb32(to);
    playing = move;
    run.start(
        move.transition.seconds, framePeriod(), [this] { update(); }, [this] { stop(); });
    raise();
    show();
    update();
}

void TransitionLayer::stop() {
    run.stop();
    hide();
    before = QImage();
    after = QImage();
}

bool TransitionLayer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        stop();
        setGeometry(parentWidget()->rect());
    }
    return false;
}

void TransitionLayer::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (before.isNull() || after.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    // In the pictures' own pixels: at the window's ratio a plain copy.
    const double ratio = devicePixelRatioF();
    painter.scale(1 / ratio, 1 / ratio);
    const double progress = run.progress();
    if (playing.backwards)
        TransitionFrames::paint(painter, after, before, playing.transition, 1 - progress, pixels);
    else
        TransitionFrames::paint(painter, before, after, playing.transition, progress, pixels);
}
