// A clip's area over a slide view: the frames the player hands over, painted at the view's exact
// pixels; on the console also a strip with play/pause, a seek bar and the time. A click on the
// clip starts or pauses it; on the projector nothing else is ever drawn.
#pragma once

#include <QImage>
#include <QWidget>

class VideoSurface : public QWidget {
    Q_OBJECT
public:
    enum class Role { audience, console };
    VideoSurface(Role role, QWidget* slideView);

    // The clip's area in the slide view, in its device pixels.
    void setArea(QRect devicePixels);
    // The frame to show (letter-boxed into the area), or a null image for the page's own
    // picture (the poster).
    void setFrame(const QImage& frame);
    void setState(bool playing, qint64 positionMs, qint64 durationMs);

    // Where the strip lies within the surface; empty on the projector.
    QRect stripRect() const;
    QRect buttonRect() const;
    QRect barRect() const;
    // "1:05 / 3:20".
    static QString timeText(qint64 positionMs, qint64 durationMs);

signals:
    void toggleRequested();
    void seekRequested(qint64 positionMs);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void place();
    QRectF videoRect() const;
    void seekTo(double x);

    const Role role;
    QRect area;
    QImage frame;
    bool playing = false;
    qint64 position = 0;
    qint64 duration = 0;
};
