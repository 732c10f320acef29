#include "ui/console/PresenterWindow.h"

#include "base/Preferences.h"
#include "ui/console/PresenterView.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

const QString PresenterWindowController::frameKey = QStringLiteral("PresenterWindow");

PresenterWindow::PresenterWindow(QWidget* parent) : QMainWindow(parent) {
    // Moving or resizing sends a stream of events; the frame is stored once they settle.
    frameSaver.setSingleShot(true);
    frameSaver.setInterval(400);
    connect(&frameSaver, &QTimer::timeout, this, &PresenterWindow::saveFrame);
}

void PresenterWindow::saveFrame() {
    Preferences::setValue(PresenterWindowController::frameKey, saveGeometry());
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

PresenterWindowController::PresenterWindowController(Presentation* deck, QObject* parent)
    : QObject(parent), presentation(deck), content(new PresenterView(deck)),
      presenterWindow(new PresenterWindow) {
    presenterWindow->setWindowTitle(QStringLiteral("Talvane Orvello"));
    presenterWindow->setMinimumSize(900, 560);
    presenterWindow->setCentralWidget(content);
    const QByteArray savedFrame = Preferences::value(frameKey).toByteArray();
    if (savedFrame.isEmpty() || !presenterWindow->restoreGeometry(savedFrame)) {
        presenterWindow->resize(1400, 820);
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame(QPoint(), presenterWindow->size());
            frame.moveCenter(screen->availableGeometry().center());
            presenterWindow->move(frame.topLeft());
        }
    }
    // Closing the speaker's window ends the program, even while the audience window is up.
    connect(presenterWindow, &PresenterWindow::closing, qApp, &QCoreApplication::quit,
            Qt::QueuedConnection);
}

PresenterWindowController::~PresenterWindowController() {
    delete presenterWindow;
}
