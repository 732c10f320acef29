#include "drawing/Stroke.h"

#include "base/L10n.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>

namespace {

// A few millionths of a page: far below a pixel at 8K, and the file stays short.
double rounded(double value) {
    return std::round(value * 1e6) / 1e6;
}

double distanceToSegment(QPointF point, QPointF from, QPointF to) {
    const QPointF along = to - from;
    const double length = QPointF::dotProduct(along, along);
    const double t =
        length > 0 ? std::clamp(QPointF::dotProduct(point - from, along) / length, 0.0, 1.0) : 0.0;
    const QPointF nearest = from + t * along;
    return std::hypot(point.x() - nearest.x(), point.y() - nearest.y());
}

bool isNumber(const QJsonValue& value, double low, double high) {
    return value.isDouble() && std::isfinite(value.toDouble()) && value.toDouble() >= low &&
           value.toDouble() <= high;
}

} // namespace

double Stroke::widthAt(double pressure) const {
    if (ink == Ink::highlighter)
        return width;
    return width * (0.25 + 1.5 * std::clamp(pressure, 0.0, 1.0));
}

bool Stroke::pressureVaries() const {
    return std::any_of(points.cbegin(), points.cend(), [this](const InkPoint& point) {
        return point.pressure != points.first().pressure;
    });
}

double Stroke::meanWidth() const {
    if (points.isEmpty())
        return width;
    double sum = 0;
    for (const InkPoint& point : points)
        sum += widthAt(point.pressure);
    return sum / double(points.size());
}

bool Stroke::touches(QPointF point, double radius, double aspect) const {
    // Measured in page heights both ways, so that a round eraser stays round.
    const auto scaled = [aspect](QPointF at) { return QPointF(at.x() * aspect, at.y()); };
    const QPointF target = scaled(point);
    for (qsizetype i = 0; i < points.size(); ++i) {
        const QPointF from = scaled(points.at(i).at);
        const QPointF to = scaled(points.at(std::min(i + 1, points.size() - 1)).at);
        if (distanceToSegment(target, from, to) <= radius + widthAt(points.at(i).pressure) / 2)
            return true;
    }
    return false;
}

QJsonObject Stroke::toJson() const {
    QJsonArray line;
    QJsonArray pressures;
    for (const InkPoint& point : points) {
        line.append(QJsonArray{rounded(point.at.x()), rounded(point.at.y())});
        pressures.append(rounded(point.pressure));
    }
    QJsonObject json{{QStringLiteral("tool"),
                      ink == Ink::pen ? QStringLiteral("pen") : QStringLiteral("highlighter")},
                     {QStringLiteral("colour"), colour.name()},
                     {QStringLiteral("width"), rounded(width)},
                     {QStringLiteral("points"), line}};
    if (pressureVaries())
        json.insert(QStringLiteral("pressure"), pressures);
    return json;
}

std::optional<Stroke> Stroke::fromJson(const QJsonValue& value, QString* error) {
    const auto fail = [error](const char* reason) {
        *error = L10n::lookup(QString::fromUtf8(reason));
        return std::nullopt;
    };
    if (!value.isObject())
        return fail(ORVL_TEXT("ein Strich ist kein Objekt"));
    const QJsonObject json = value.toObject();
    Stroke stroke;
    const QString tool = json.value(QStringLiteral("tool")).toString();
    if (tool == QLatin1String("pen"))
        stroke.ink = Ink::pen;
    else if (tool == QLatin1String("highlighter"))
        stroke.ink = Ink::highlighter;
    else
        return fail(ORVL_TEXT("ein Strich ist weder Stift noch Textmarker"));
    const QString colour = json.value(QStringLiteral("colour")).toString();
    stroke.colour = QColor::fromString(colour);
    if (!stroke.colour.isValid() || !colour.startsWith(QLatin1Char('#')) || colour.size() != 7)
        return fail(ORVL_TEXT("die Farbe eines Strichs ist nicht #rrggbb"));
    const QJsonValue width = json.value(QStringLiteral("width"));
    if (!isNumber(width, 1e-6, 1))
        return fail(ORVL_TEXT("die Breite eines Strichs liegt nicht über 0 und höchstens bei 1"));
    stroke.width = width.toDouble();
    const QJsonValue line = json.value(QStringLiteral("points"));
    const QJsonValue pressure = json.value(QStringLiteral("pressure"));
    if (!line.isArray() || line.toArray().isEmpty())
        return fail(ORVL_TEXT("ein Strich hat keine Punkte"));
    if (!pressure.isUndefined() &&
        (!pressure.isArray() || pressure.toArray().size() != line.toArray().size()))
        return fail(ORVL_TEXT("die Druckwerte eines Strichs passen nicht zu seinen Punkten"));
    const QJsonArray points = line.toArray();
    const QJsonArray pressures = pressure.toArray();
    for (qsizetype i = 0; i < points.size(); ++i) {
        const QJsonArray point = points.at(i).toArray();
        // A little beyond the page is a stroke that left the slide; far beyond is no stroke.
        if (point.size() != 2 || !isNumber(point.at(0), -1, 2) || !isNumber(point.at(1), -1, 2))
            return fail(ORVL_TEXT("ein Punkt eines Strichs liegt nicht auf der Seite"));
        InkPoint ink{QPointF(point.at(0).toDouble(), point.at(1).toDouble())};
        if (!pressures.isEmpty()) {
            if (!isNumber(pressures.at(i), 0, 1))
                return fail(ORVL_TEXT("ein Druckwert liegt nicht zwischen 0 und 1"));
            ink.pressure = pressures.at(i).toDouble();
        }
        stroke.points.append(ink);
    }
    return stroke;
}
