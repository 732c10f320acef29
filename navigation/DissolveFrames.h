// Dissolve and glitter, made pixel by pixel: each pixel has a fixed threshold and shows the new
// page once the transition has passed it. The picture is kept from one frame to the next, and a
// frame writes only the pixels whose threshold lies between its progress and the last frame's:
// a frame of a one-second dissolve touches a sixtieth of the picture, so even the first one,
// drawn on the key's way, costs little.
#pragma once

#include "engine/PageNavigation.h"

#include <QImage>
#include <QList>

class DissolveFrames {
public:
    // The picture at `progress` (0: all of `from`, 1: all of `to`); both of one size and one
    // 32-bit format. Other pictures or another transition than the last call's start afresh.
    const QImage& at(const QImage& from, const QImage& to, const PageTransition& transition,
                     double progress);
    // Copies `shown`, the picture on screen that the next transition starts from, now, so that
    // the first frame need not.
    void prepare(const QImage& shown);

private:
    void restart(const QImage& from, const QImage& to, const PageTransition& transition,
                 int startLevel);
    void copy(const QImage& start);
    // Writes the pixels with thresholds in [lower, upper) from `source`.
    void dissolve(int lower, int upper, const QImage& source);
    void glitter(int lower, int upper, const QImage& source);

    QImage picture;
    qint64 fromKey = 0;
    qint64 toKey = 0;
    // The picture the work picture holds a copy of, until a frame changes it.
    qint64 copiedKey = 0;
    PageTransition playing;
    // What the picture shows: pixels with a threshold below it show `to`.
    int level = 0;
    // Glitter's rise of the threshold along the direction, per column and per row.
    QList<int> alongX;
    QList<int> alongY;
    bool risingX = true;
};
