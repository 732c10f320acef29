#include "ui/audience/AudienceWindow.h"

#include "document/Deck.h"
#include "ui/common/SlideView.h"

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

AudienceWindow::AudienceWindow(Deck* deck)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), slide(new SlideView),
      content(new CursorHidingView(slide, this)) {
    paintBlack(this);
    slide->setDeck(deck);
    slide->setPriority(RenderPriority::audienceView);
    resize(960, 540);
    connect(content, &CursorHidingView::stepRequested, this, &AudienceWindow::stepRequested);
}

void AudienceWindow::resizeEvent(QResizeEvent*) {
    content->setGeometry(rect());
}

bool AudienceWindow::isFullScreenOn(const QScreen* screen) const {
    return isVisible() && !windowed && isFullScreen() && windowHandle() &&
           windowHandle()->screen() == screen && geometry() == screen->geometry();
}

void AudienceWindow::placeFullScreen(QScreen* screen, bool show) {
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

QSize AudienceWindow::slidePixelsOn(QScreen* screen, bool windowed) const {
    if (!screen)
        return {};
    if (isVisible())
        return slide->pixelKeySize();
    return SlideView::pixelSize(windowed ? QSizeF(960, 540) : QSizeF(screen->geometry().size()),
                                screen->devicePixelRatio());
}

void AudienceWindow::placeWindowed(QScreen* screen, const QString& title) {
    windowed = true;
    hide();
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMinMaxButtonsHint);
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    setWindowTitle(title);
    winId();
    QRect frame(QPoint(), QSize(960, 540));
    frame.moveCenter(screen->availableGeometry().center());
    setGeometry(frame);
    windowHandle()->setScreen(screen);
    showNormal();
    setGeometry(frame);
    raise();
}
