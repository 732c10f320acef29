// A stroke of the speaker's ink as an export writes it into a PDF: one ink annotation each.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QPointF>

#include <optional>

struct InkStroke {
    qint64 page = 0;
    // Opaque; a highlighter's translucency is the opacity.
    QColor colour;
    double opacity = 1.0;
    // The line's width as a share of the page's height.
    double width = 0.005;
    // 0..1 coordinates of the page as displayed, top-left origin.
    QList<QPointF> points;
    // 0: on the page itself; n: on the n-th whiteboard after it, a blank page of its size that
    // the copy gains there.
    int board = 0;

    friend bool operator==(const InkStroke&, const InkStroke&) = default;

    // For the trip to a worker process.
    static QByteArray encode(const QList<InkStroke>& strokes);
    // Nullopt for bytes that are not a list of strokes with finite values.
    static std::optional<QList<InkStroke>> decode(const QByteArray& bytes);
};
