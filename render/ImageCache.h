// Finished page images within a byte budget: the least recently used go first, never the slides
// around the current one.
#pragma once

#include "render/RenderKey.h"

#include <QHash>
#include <QImage>
#include <QList>

#include <optional>

class ImageCache {
public:
    explicit ImageCache(qint64 budgetBytes) : budgetBytes(budgetBytes) {}

    // A lookup that counts as a use.
    std::optional<QImage> use(const RenderKey& key);
    bool contains(const RenderKey& key) const { return entries.contains(key); }
    // Stores, then evicts the least recently used unprotected images until the budget holds. The
    // protected ones alone may exceed it: they are the ones about to be shown.
    void store(const RenderKey& key, const QImage& image);
    // Pages first ... last (all sizes) are never evicted.
    void protect(qint64 first, qint64 last);
    // Whether `bytes` more fit without evicting anything.
    bool fits(qint64 bytes) const { return totalBytes + bytes <= budgetBytes; }
    // The smallest cached image of the key's whole page that is at least the key's size both ways
    // (none for a key of a region).
    std::optional<RenderKey> largerOf(const RenderKey& key) const;

    qint64 bytes() const { return totalBytes; }
    qint64 budget() const { return budgetBytes; }
    // Least recently used first.
    QList<RenderKey> keys() const;

    // What an image of this size costs in memory.
    static qint64 bytesFor(const RenderKey& key) { return key.pixels() * 4; }

private:
    struct Entry {
        QImage image;
        quint64 lastUse = 0;
    };

    bool isProtected(const RenderKey& key) const {
        return key.page >= protectedFirst && key.page <= protectedLast;
    }
    void evict();

    const qint64 budgetBytes;
    QHash<RenderKey, Entry> entries;
    qint64 totalBytes = 0;
    quint64 useClock = 0;
    qint64 protectedFirst = 0;
    qint64 protectedLast = -1;
};
