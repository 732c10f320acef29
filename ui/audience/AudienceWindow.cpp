#include "ui/audience/AudienceWindow.h"

#include "base/Preferences.h"
#include "document/Deck.h"
#include "ui/common/SlideView.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

namespace {

void paintBlack(QWidget* widget) {
    QPalette black = widget->palette();
    black.setColor(QPalette::Window, Qt::black);
    widget->setPalette(black);
    widget->setAutoFillBackground(true);
}

} // namespace

CursorHidingView::CursorHidingView(SlideView* slide, QWidget* parent)
    : QWidget(parent), slide(slide) {
    slide->setParent(this);
    paintBlack(this);
    setCursor(Qt::BlankCursor);
}

void CursorHidingView::resizeEvent(QResizeEvent*) {
    slide->setGeometry(rect());
}

void CursorHidingView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit stepRequested(1);
    else if (event->button() == Qt::RightButton)
        emit stepRequested(-1);
}

const QString AudienceWindow::frameKey = QStringLiteral("audienceWindowFrame");

QRect AudienceWindow::storedFrame() {
    // Four numbers, so that --set can give one as JSON too.
    const QVariantList numbers = Preferences::value(frameKey).toList();
    if (numbers.size() != 4)
        return {};
    return {numbers.at(0).toInt(), numbers.at(1).toInt(), numbers.at(2).toInt(),
            numbers.at(3).toInt()};
}

AudienceWindow::AudienceWindow(Deck* deck)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), slide(new SlideView),
      content(new CursorHidingView(slide, this)) {
    paintBlack(this);
    slide->setDeck(deck);
    slide->setPriority(RenderPriority::audienceView);
    resize(960, 540);
    connect(content, &CursorHidingView::stepRequested, this, &AudienceWindow::stepRequested);
    // Moving or resizing sends a stream of events; the frame is stored once they settle.
    frameSaver.setSingleShot(true);
    frameSaver.setInterval(400);
    connect(&frameSaver, &QTimer::timeout, this, &AudienceWindow::saveFrame);
}

void AudienceWindow::resizeEvent(QResizeEvent*) {
    content->setGeometry(rect());
    if (windowed && isVisible())
        frameSaver.start();
}

void AudienceWindow::saveFrame() {
    // The inner frame, as placeWindowed() takes it back: x() and y() include the decoration.
    const QRect inner = geometry();
    if (windowed)
        Preferences::setValue(frameKey,
                              QVariantList{inner.x(), inner.y(), inner.width(), inner.height()});
}

void AudienceWindow::hideEvent(QHideEvent*) {
    // The talk may end right after a move: the place is kept for the next one.
    if (frameSaver.isActive()) {
        frameSaver.stop();
        saveFrame();
    }
}

void AudienceWindow::moveEvent(QMoveEvent*) {
    if (windowed && isVisible())
        frameSaver.start();
}

void AudienceWindow::closeEvent(QCloseEvent* event) {
    // Hidden by the program, never by the window system: the talk decides what is shown.
    event->ignore();
    emit closeRequested();
}

bool AudienceWindow::isFullScreenOn(const QScreen* screen) const {
    return isVisible() && !windowed && isFullScreen() && windowHandle() &&
           windowHandle()->screen() == screen && geometry() == screen->geometry();
}

void AudienceWindow::placeFullScreen(QScreen* screen, bool show) {
    frameSaver.stop();
    if (show && isFullScreenOn(screen)) {
        raise();
        return;
    }
    windowed = false;
    // A Wayland compositor takes a window's output and size only when the window is mapped, and
    // ends a client that grows a visible full-screen window past the size it configured.
    hide();
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    winId();
    // Wayland asks for the output of the geometry, X11 for the one of the screen: give both.
    setGeometry(screen->geometry());
    windowHandle()->setScreen(screen);
    if (!show)
        return;
    // showFullScreen() would also ask for activation, which this window refuses.
    setWindowState((windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized)) |
                   Qt::WindowFullScreen);
    QWidget::show();
    raise();
}

QSize AudienceWindow::slidePixelsOn(QScreen* screen, bool windowed, QSize windowSize) const {
    if (!screen)
        return {};
    if (isVisible())
        return slide->pixelKeySize();
    return SlideView::pixelSize(windowed ? QSizeF(windowSize) : QSizeF(screen->geometry().size()),
                                screen->devicePixelRatio());
}

void AudienceWindow::placeWindowed(QScreen* screen, const QString& title, const QRect& frame) {
    setWindowTitle(title);
    if (windowed && isVisible() && windowHandle() && windowHandle()->screen() == screen) {
        raise();
        return;
    }
    windowed = true;
    hide();
    // A full-screen run leaves its state and flags on the window: both are set anew, so that it
    // comes back as a plain window rather than a frameless one of the screen's size.
    setWindowState(Qt::WindowNoState);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    winId();
    setGeometry(frame);
    windowHandle()->setScreen(screen);
    show();
    setGeometry(frame);
    raise();
}
