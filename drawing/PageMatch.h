// Which page of a rebuilt deck a drawing belongs on: pages are known by their label and a
// fingerprint of their text, not by their place, so that a slide inserted before moves the
// drawings with their slide, and a slide whose text changed is no longer taken for the old one.
#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace PageMatch {

struct PageId {
    QString label;
    // Empty for a page without text.
    QString fingerprint;

    friend bool operator==(const PageId&, const PageId&) = default;
};

// The page's words without digits (a slide counter changes when slides are inserted), hashed;
// empty for a page without text.
QString fingerprint(const QString& text);

// How many pages before `index` carry the same label and fingerprint: which of a run of like
// pages (overlays that differ in pictures only) it is.
int occurrence(const QList<PageId>& pages, qint64 index);

// Where the page stored as `id`, the `occurrence`-th of its kind, is in a deck of `pages`: the
// page with the same label and fingerprint and occurrence; else, where the labels moved, the one
// page with that fingerprint that is the `occurrence`-th of its label. A page without text has
// nothing but its label and place to go by, so it is found only under its own label. Nullopt when
// no page, or more than one, could be it.
std::optional<qint64> find(const PageId& id, int occurrence, const QList<PageId>& pages);

} // namespace PageMatch
