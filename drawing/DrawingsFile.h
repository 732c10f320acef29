// The drawings file beside a deck ("talk.pdf" -> "talk.orvello-drawings.json"): the strokes of
// every slide and whiteboard with what the slide's page was known by, so that a rebuilt deck
// gets them back on the right slide. It is this program's own: nothing is written into the PDF or
// into the sidecar that other programs read.
#pragma once

#include "drawing/PageMatch.h"
#include "drawing/Stroke.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace DrawingsFile {

// A file larger than this is not a talk's drawings.
constexpr qint64 maximumBytes = qint64(64) << 20;

// The strokes of one sheet, with the page it belongs to as the deck was when they were drawn.
struct Sheet {
    qint64 page = 0;
    PageMatch::PageId id;
    int occurrence = 0;
    // 0: the slide; n: the n-th whiteboard after it.
    int board = 0;
    QList<Stroke> strokes;

    friend bool operator==(const Sheet&, const Sheet&) = default;
};

QString pathFor(const QString& deckPath);

QByteArray encode(const QList<Sheet>& sheets);
// Nullopt, with the reason for the speaker in `error`, for anything but a whole drawings file of
// this program in a version it reads.
std::optional<QList<Sheet>> decode(const QByteArray& bytes, QString* error);

} // namespace DrawingsFile
