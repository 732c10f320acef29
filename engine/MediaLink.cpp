#include "engine/MediaLink.h"

#include <cmath>

QString MediaLink::kindName(Kind kind) {
    switch (kind) {
    case Kind::movie:
        return QStringLiteral("movie");
    case Kind::screen:
        return QStringLiteral("screen");
    case Kind::sound:
        return QStringLiteral("sound");
    case Kind::link:
        break;
    }
    return QStringLiteral("link");
}

bool MediaLink::isSound() const {
    return kind == Kind::sound || mimeType.startsWith(QLatin1String("audio/"));
}

bool MediaLink::valid() const {
    const auto within = [](double value) { return std::isfinite(value) && value >= -0.001; };
    return quint8(kind) <= quint8(Kind::link) && entry >= 0 && entry < maximumPerPage &&
           within(rect.x()) && within(rect.y()) && std::isfinite(rect.width()) &&
           std::isfinite(rect.height()) && rect.width() > 0 && rect.height() > 0 &&
           rect.right() <= 1.001 && rect.bottom() <= 1.001 && target.size() <= maximumTargetChars &&
           mimeType.size() <= 256 && repeat >= 0 && startMs >= 0 && stopMs >= -1 &&
           (embedded || !target.isEmpty());
}

QDataStream& operator<<(QDataStream& out, const MediaLink& link) {
    return out << quint8(link.kind) << qint32(link.entry) << link.rect << link.target
               << link.embedded << link.mimeType << link.autostart << qint32(link.repeat)
               << link.palindrome << link.startMs << link.stopMs << link.resume;
}

QDataStream& operator>>(QDataStream& in, MediaLink& link) {
    quint8 kind = 0;
    qint32 entry = 0;
    qint32 repeat = 1;
    in >> kind >> entry >> link.rect >> link.target >> link.embedded >> link.mimeType >>
        link.autostart >> repeat >> link.palindrome >> link.startMs >> link.stopMs >> link.resume;
    link.kind = MediaLink::Kind(kind);
    link.entry = entry;
    link.repeat = repeat;
    return in;
}
