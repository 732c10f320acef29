#include "document/PageSplit.h"

#include "render/PageImage.h"

#include <algorithm>
#include <cmath>

namespace {

bool usable(QSizeF size) {
    return size.width() > 0 && size.height() > 0 && std::isfinite(size.width()) &&
           std::isfinite(size.height());
}

// Two stacked slides of a shape presenters use; within 1 %, which still tells 4:3 from A4.
bool stackedSlides(QSizeF size) {
    static constexpr double shapes[] = {4.0 / 3, 16.0 / 10, 16.0 / 9};
    const double doubled = 2 * size.width() / size.height();
    return std::any_of(std::begin(shapes), std::end(shapes),
                       [doubled](double slide) { return std::abs(doubled / slide - 1) < 0.01; });
}

} // namespace

namespace PageSplit {

NotesSide detect(const QList<QSizeF>& pageSizes) {
    if (pageSizes.isEmpty() || !std::all_of(pageSizes.begin(), pageSizes.end(), usable))
        return NotesSide::none;
    if (std::all_of(pageSizes.begin(), pageSizes.end(),
                    [](QSizeF size) { return size.width() >= 2 * size.height(); }))
        return NotesSide::right;
    if (std::all_of(pageSizes.begin(), pageSizes.end(), stackedSlides))
        return NotesSide::bottom;
    return NotesSide::none;
}

NotesSide resolve(const QString& choice, const QList<QSizeF>& pageSizes, const QString& hint) {
    static const QList<std::pair<QString, NotesSide>> chosen{{"none", NotesSide::none},
                                                             {"left", NotesSide::left},
                                                             {"right", NotesSide::right},
                                                             {"top", NotesSide::top},
                                                             {"bottom", NotesSide::bottom}};
    for (const auto& [word, side] : chosen) {
        if (choice == word)
            return side;
    }
    const NotesSide guess = detect(pageSizes);
    const QString side = hint.trimmed().toLower();
    if (guess == NotesSide::right && side == QLatin1String("left"))
        return NotesSide::left;
    if (guess == NotesSide::bottom && side == QLatin1String("top"))
        return NotesSide::top;
    return guess;
}

QString name(NotesSide side) {
    switch (side) {
    case NotesSide::left:
        return QStringLiteral("beamer-left");
    case NotesSide::right:
        return QStringLiteral("beamer-right");
    case NotesSide::top:
        return QStringLiteral("beamer-top");
    case NotesSide::bottom:
        return QStringLiteral("beamer-bottom");
    case NotesSide::none:
        break;
    }
    return QString();
}

QRectF region(NotesSide side, bool notes) {
    // The half on the notes' side, or the other one.
    const bool first = (side == NotesSide::left || side == NotesSide::top) == notes;
    switch (side) {
    case NotesSide::left:
    case NotesSide::right:
        return QRectF(first ? 0 : 0.5, 0, 0.5, 1);
    case NotesSide::top:
    case NotesSide::bottom:
        return QRectF(0, first ? 0 : 0.5, 1, 0.5);
    case NotesSide::none:
        break;
    }
    return QRectF(0, 0, 1, 1);
}

Geometry geometry(NotesSide side, bool notes, QSizeF pageSize, QSize viewPixels) {
    const QRect whole(QPoint(0, 0), viewPixels);
    if (side == NotesSide::none || !usable(pageSize) || viewPixels.isEmpty())
        return {viewPixels, whole, whole};
    const QRectF half = region(side, notes);
    const QSizeF halfSize(pageSize.width() * half.width(), pageSize.height() * half.height());
    const QRect target = PageImage::pageArea(halfSize, viewPixels.width(), viewPixels.height());
    const QSize drawn(int(std::round(target.width() / half.width())),
                      int(std::round(target.height() / half.height())));
    const QRect source =
        QRect(int(std::round(half.x() * drawn.width())), int(std::round(half.y() * drawn.height())),
              target.width(), target.height()) &
        QRect(QPoint(0, 0), drawn);
    return {drawn, source, QRect(target.topLeft(), source.size())};
}

} // namespace PageSplit
