// A clip or sound a page names, as the PDF describes it: where it plays, what it plays and how.
// Read in a page worker and handed to the program; every field is bounded there and checked here.
#pragma once

#include <QDataStream>
#include <QList>
#include <QRectF>
#include <QString>

struct MediaLink {
    enum class Kind : quint8 { movie, screen, sound, link };

    Kind kind = Kind::movie;
    // Its place among the page's media, which PageEngine::mediaFile takes.
    int entry = 0;
    // The area it plays in: 0..1 page coordinates of the page as displayed, top-left origin.
    QRectF rect;
    // The file or address as the PDF writes it (a link's whole target, options included); empty
    // for media embedded in the PDF.
    QString target;
    // The bytes come from PageEngine::mediaFile.
    bool embedded = false;
    // As the PDF labels it ("video/mp4"); empty where it does not.
    QString mimeType;
    bool autostart = false;
    // How often it plays: 1 once, 0 without end.
    int repeat = 1;
    // Forward and back again, where a player could do that.
    bool palindrome = false;
    qint64 startMs = 0;
    // Where it ends; -1 at the clip's own end.
    qint64 stopMs = -1;
    // Coming back to the page goes on where it was rather than from the start.
    bool resume = false;

    // Bounds the worker keeps to and the program checks again.
    static constexpr int maximumPerPage = 64;
    static constexpr int maximumTargetChars = 4096;
    static constexpr qint64 maximumFileBytes = qint64(1) << 30;

    static QString kindName(Kind kind);
    // Within the bounds and the page.
    bool isSound() const;
    bool valid() const;
    bool operator==(const MediaLink&) const = default;
};

QDataStream& operator<<(QDataStream& out, const MediaLink& link);
QDataStream& operator>>(QDataStream& in, MediaLink& link);
