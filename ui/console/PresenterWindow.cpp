#include "ui/console/PresenterWindow.h"

#include "base/Preferences.h"
#include "ui/console/PresenterView.h"
#include "ui/console/ShortcutOverlay.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

const QString PresenterWindow::frameKey = QStringLiteral("PresenterWindow");

PresenterWindow::PresenterWindow(QWidget* parent)
    : QMainWindow(parent), content(new PresenterView) {
    setWindowTitle(QStringLiteral("Talvane Orvello"));
    setMinimumSize(900, 560);
    setCentralWidget(content);
    // A child of the view, so that it never shows on the projector.
    shortcuts = new ShortcutOverlay(content);
    const QByteArray savedFrame = Preferences::value(frameKey).toByteArray();
    if (savedFrame.isEmpty() || !restoreGeometry(savedFrame)) {
        resize(1400, 820);
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame(QPoint(), size());
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    // Moving or resizing sends a stream of events; the frame is stored once they settle.
    frameSaver.setSingleShot(true);
    frameSaver.setInterval(400);
    connect(&frameSaver, &QTimer::timeout, this, &PresenterWindow::saveFrame);
}

void PresenterWindow::toggleShortcuts() {
    shortcuts->toggle();
}

bool PresenterWindow::showsShortcuts() const {
    return shortcuts->isVisible();
}

void PresenterWindow::saveFrame() {
    Preferences::setValue(frameKey, saveGeometry());
}

void PresenterWindow::closeEvent(QCloseEvent* event) {
    if (mayClose && !mayClose()) {
        event->ignore();
        return;
    }
    frameSaver.stop();
    saveFrame();
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        emit closing();
}

void PresenterWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (isVisible())
        frameSaver.start();
}

void PresenterWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (isVisible())
        frameSaver.start();
}
