#include "engine/PageNavigation.h"

#include <QDataStream>
#include <QIODevice>

#include <algorithm>
#include <cmath>

namespace {

constexpr QDataStream::Version streamVersion = QDataStream::Qt_6_4;

bool isFinite(double value) {
    return std::isfinite(value);
}

// The part of the page an area covers; empty for one that is not on the page.
QRectF onPage(const QRectF& area) {
    if (!isFinite(area.x()) || !isFinite(area.y()) || !isFinite(area.width()) ||
        !isFinite(area.height()))
        return {};
    return area.normalized() & QRectF(0, 0, 1, 1);
}

template <typename Enum> std::optional<Enum> enumValue(quint8 value, Enum last) {
    if (value > quint8(last))
        return std::nullopt;
    return Enum(value);
}

} // namespace

QByteArray PageNavigation::toBytes() const {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(streamVersion);
    out << qint64(std::min(links.size(), maximumLinks));
    for (qsizetype i = 0; i < links.size() && i < maximumLinks; ++i) {
        const PageLink& link = links.at(i);
        out << link.area << quint8(link.kind) << link.page << quint8(link.action)
            << link.text.left(maximumText);
    }
    out << transition.has_value();
    if (transition)
        out << quint8(transition->style) << transition->seconds << transition->vertical
            << transition->outward << qint32(transition->direction) << transition->flyScale;
    out << displaySeconds.value_or(0);
    return bytes;
}

PageNavigation PageNavigation::fromBytes(const QByteArray& bytes) {
    QDataStream in(bytes);
    in.setVersion(streamVersion);
    PageNavigation read;
    qint64 count = 0;
    in >> count;
    if (in.status() != QDataStream::Ok || count < 0 || count > maximumLinks)
        return {};
    for (qint64 i = 0; i < count; ++i) {
        QRectF area;
        quint8 kind = 0;
        qint64 page = -1;
        quint8 action = 0;
        QString text;
        in >> area >> kind >> page >> action >> text;
        const auto knownKind = enumValue(kind, PageLink::Kind::unsupported);
        const auto knownAction = enumValue(action, PageLink::Action::forward);
        if (in.status() != QDataStream::Ok || !knownKind || !knownAction ||
            text.size() > maximumText)
            return {};
        const QRectF shown = onPage(area);
        if (shown.isEmpty())
            continue;
        read.links.append({shown, *knownKind, std::max<qint64>(page, -1), *knownAction, text});
    }
    bool hasTransition = false;
    in >> hasTransition;
    if (hasTransition) {
        quint8 style = 0;
        PageTransition transition;
        qint32 direction = 0;
        in >> style >> transition.seconds >> transition.vertical >> transition.outward >>
            direction >> transition.flyScale;
        const auto knownStyle = enumValue(style, PageTransition::Style::fade);
        if (in.status() != QDataStream::Ok || !knownStyle)
            return {};
        transition.style = *knownStyle;
        transition.seconds = isFinite(transition.seconds)
                                 ? std::clamp(transition.seconds, 0.0, longestTransition)
                                 : 1;
        transition.direction = direction == PageTransition::noDirection
                                   ? PageTransition::noDirection
                                   : int(((direction % 360) + 360) % 360);
        transition.flyScale =
            isFinite(transition.flyScale) ? std::clamp(transition.flyScale, 0.0, 1.0) : 1;
        read.transition = transition;
    }
    double display = 0;
    in >> display;
    if (in.status() != QDataStream::Ok)
        return {};
    if (isFinite(display) && display > 0)
        read.displaySeconds = std::min(display, longestDisplay);
    return read;
}
