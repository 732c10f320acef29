#include "engine/InkStroke.h"

#include <QDataStream>
#include <QIODevice>

#include <cmath>

namespace {

// More than any talk draws; a larger count is a damaged message.
constexpr qint64 maximumCount = 10'000'000;
constexpr int maximumBoards = 1000;

} // namespace

QByteArray InkStroke::encode(const QList<InkStroke>& strokes) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << qint64(strokes.size());
    for (const InkStroke& stroke : strokes) {
        out << stroke.page << qint32(stroke.board) << stroke.colour.rgb() << stroke.opacity
            << stroke.width << qint64(stroke.points.size());
        for (const QPointF& point : stroke.points)
            out << point.x() << point.y();
    }
    return bytes;
}

std::optional<QList<InkStroke>> InkStroke::decode(const QByteArray& bytes) {
    QDataStream in(bytes);
    qint64 count = 0;
    in >> count;
    if (count < 0 || count > maximumCount)
        return std::nullopt;
    QList<InkStroke> strokes;
    qint64 points = 0;
    for (qint64 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        InkStroke stroke;
        QRgb rgb = 0;
        qint64 length = 0;
        qint32 board = 0;
        in >> stroke.page >> board >> rgb >> stroke.opacity >> stroke.width >> length;
        points += length;
        if (length < 0 || points > maximumCount || board < 0 || board > maximumBoards ||
            !std::isfinite(stroke.opacity) || !std::isfinite(stroke.width))
            return std::nullopt;
        stroke.board = board;
        stroke.colour = QColor::fromRgb(rgb);
        for (qint64 p = 0; p < length && in.status() == QDataStream::Ok; ++p) {
            double x = 0;
            double y = 0;
            in >> x >> y;
            if (!std::isfinite(x) || !std::isfinite(y))
                return std::nullopt;
            stroke.points.append(QPointF(x, y));
        }
        strokes.append(stroke);
    }
    if (in.status() != QDataStream::Ok || !in.atEnd())
        return std::nullopt;
    return strokes;
}
