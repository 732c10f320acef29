// The window the audience sees: the current slide alone, full screen on the output display or
// as a window of its own that can be moved, resized and shared in a video call.
#pragma once

#include <QTimer>
#include <QWidget>

class Deck;
class QScreen;
class SlideView;

// Shows the slide, hides the pointer over it and turns clicks into slide steps.
class CursorHidingView : public QWidget {
    Q_OBJECT
public:
    explicit CursorHidingView(SlideView* slide, QWidget* parent = nullptr);

    SlideView* const slide;

signals:
    // +1 for the left button (next slide), -1 for the right button (previous slide).
    void stepRequested(int step);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

class AudienceWindow : public QWidget {
    Q_OBJECT
public:
    // Where the speaker last put the window of its own: [x, y, width, height].
    static const QString frameKey; // "audienceWindowFrame"
    static QRect storedFrame();

    explicit AudienceWindow(Deck* deck);

    // Borderless over the screen's whole frame, above other windows, never taking the keys
    // where the window system allows; shown anew, so that Wayland compositors follow. Without
    // `show` only the frame is set, for a window that appears later.
    void placeFullScreen(QScreen* screen, bool show = true);
    // Already shown full screen over exactly that screen.
    bool isFullScreenOn(const QScreen* screen) const;
    // A plain titled window at `frame` on the screen, in front of the console and never taking
    // the keys; its frame is remembered as the speaker moves and resizes it.
    void placeWindowed(QScreen* screen, const QString& title, const QRect& frame);

    // The slide's size in device pixels once the window is placed so (`windowSize` for a window
    // of its own); as it is while shown.
    QSize slidePixelsOn(QScreen* screen, bool windowed, QSize windowSize) const;

    SlideView* const slide;
    CursorHidingView* const content;
    bool windowed = false;

signals:
    void stepRequested(int step);
    // The speaker closed the window of its own: the audience is to see nothing more.
    void closeRequested();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void saveFrame();

    QTimer frameSaver;
};
