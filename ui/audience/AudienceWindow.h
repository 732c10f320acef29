// The window the audience sees: the current slide alone, full screen on the output display or
// as a movable test window.
#pragma once

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
    explicit AudienceWindow(Deck* deck);

    // Borderless over the screen's whole frame, above other windows, never taking the keys
    // where the window system allows; shown anew, so that Wayland compositors follow. Without
    // `show` only the frame is set, for a window that appears later.
    void placeFullScreen(QScreen* screen, bool show = true);
    // Already shown full screen over exactly that screen.
    bool isFullScreenOn(const QScreen* screen) const;
    // A titled 960 × 540 window centred on the screen's free area; it may take the keys.
    void placeWindowed(QScreen* screen, const QString& title);

    // The slide's size in device pixels once the window is placed so; as it is while shown.
    QSize slidePixelsOn(QScreen* screen, bool windowed) const;

    SlideView* const slide;
    CursorHidingView* const content;
    bool windowed = false;

signals:
    void stepRequested(int step);

protected:
    void resizeEvent(QResizeEvent* event) override;
};
