// Turns a decoded video frame into the pictures the projector and the console show, each at its
// own size, straight from the frame's planes with libswscale. Qt's QVideoFrame::toImage() took
// 40 ms a full-HD frame on the 2-core machine (a pass through a software GL renderer), longer than
// a frame lasts at 30 frames a second; scaling from the planes takes a few. One thread at a time.
#pragma once

#include <QImage>
#include <QList>
#include <QSize>
#include <QVideoFrame>

struct SwsContext;

class FrameScaler {
public:
    FrameScaler() = default;
    ~FrameScaler();
    FrameScaler(const FrameScaler&) = delete;
    FrameScaler& operator=(const FrameScaler&) = delete;

    // The frame at each size (RGB32, stretched: fitting is the caller's); a null image for an
    // empty size or a frame that cannot be read. Pixel formats not handed to libswscale here
    // (RGB ones, which decoders seldom give) go through QVideoFrame::toImage().
    QList<QImage> scaled(const QVideoFrame& frame, const QList<QSize>& sizes);

private:
    // One per size asked for, kept while the frames' and the pictures' sizes stay.
    QList<SwsContext*> contexts;
};
