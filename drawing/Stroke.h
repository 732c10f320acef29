// One stroke of the pen or the highlighter, in page coordinates (0..1 of the page as displayed,
// top-left origin), so that it lands on the same spot of the slide at any size, rotation or split.
#pragma once

#include <QColor>
#include <QJsonObject>
#include <QList>
#include <QPointF>
#include <QRectF>

#include <optional>

enum class Ink { pen, highlighter };

struct InkPoint {
    QPointF at;
    // 0..1; a mouse presses at 0.5, which draws the stroke's own width.
    double pressure = 0.5;

    friend bool operator==(const InkPoint&, const InkPoint&) = default;
};

struct Stroke {
    // A highlighter lets the slide show through this much.
    static constexpr double highlighterOpacity = 0.4;

    Ink ink = Ink::pen;
    QColor colour;
    // The line's width at pressure 0.5, as a share of the page's height.
    double width = 0.006;
    QList<InkPoint> points;

    // The width at `pressure`: a pen follows the pressure, a highlighter keeps its width.
    double widthAt(double pressure) const;
    // Whether the points were pressed with different pressures (a tablet's pen).
    bool pressureVaries() const;
    // The width an export gives the whole stroke: the mean of its points'.
    double meanWidth() const;
    // Whether the line passes within `radius` (a share of the page's height) of `point`, on a page
    // of `aspect` (width over height).
    bool touches(QPointF point, double radius, double aspect) const;

    // {"tool", "colour", "width", "points": [[x, y], ...]} and "pressure" where it varies.
    QJsonObject toJson() const;
    // Nullopt, with the reason in `error`, for anything but a stroke with finite values in range.
    static std::optional<Stroke> fromJson(const QJsonValue& value, QString* error);

    friend bool operator==(const Stroke&, const Stroke&) = default;
};
