// The projector's transition, painted over the audience's slide from the picture it showed and
// the one it shows next, a frame per display period. The mouse passes through it, and it is gone
// the moment the talk changes or the window's size does.
#pragma once

#include "navigation/DissolveFrames.h"
#include "navigation/Transitions.h"

#include <QImage>
#include <QWidget>

class TransitionLayer : public QWidget {
    Q_OBJECT
public:
    // Lies over all of `parent` and follows its size.
    TransitionLayer(Clock& clock, QWidget* parent);

    // Plays `move` from `from` to `to`, pictures of the layer's size in device pixels.
    void play(const QImage& from, const QImage& to, const Transitions::Move& move);
    // Ends it at once: what lies below shows.
    void stop();
    bool isPlaying() const { return run.isRunning(); }
    // The layer's size in device pixels: what a picture must have to be played.
    QSize pixelSize() const;
    // A move ahead may dissolve from `shown`, the picture on the projector: its work picture is
    // made now, so that the move's first frame need not.
    void prepareDissolve(const QImage& shown);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // The display's period in milliseconds, 60 frames a second where it does not say.
    double framePeriod() const;

    TransitionRun run;
    QImage before;
    QImage after;
    DissolveFrames pixels;
    Transitions::Move playing;
};
