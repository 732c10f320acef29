#include "render/ImageCache.h"

#include <algorithm>

std::optional<QImage> ImageCache::use(const RenderKey& key) {
    const auto found = entries.find(key);
    if (found == entries.end())
        return std::nullopt;
    found->lastUse = ++useClock;
    return found->image;
}

void ImageCache::store(const RenderKey& key, const QImage& image) {
    if (const auto old = entries.constFind(key); old != entries.constEnd())
        totalBytes -= old->image.sizeInBytes();
    entries.insert(key, {image, ++useClock});
    totalBytes += image.sizeInBytes();
    evict();
}

void ImageCache::protect(qint64 first, qint64 last) {
    protectedFirst = first;
    protectedLast = last;
    evict();
}

std::optional<RenderKey> ImageCache::largerOf(const RenderKey& key) const {
    std::optional<RenderKey> best;
    for (auto entry = entries.constBegin(); entry != entries.constEnd(); ++entry) {
        const RenderKey& candidate = entry.key();
        // A zoomed image shows another part of the page: no source for a view of the whole.
        if (candidate.page != key.page || !candidate.wholePage() || !key.wholePage() ||
            candidate.width < key.width || candidate.height < key.height || candidate == key)
            continue;
        if (!best || candidate.pixels() < best->pixels())
            best = candidate;
    }
    return best;
}

QList<RenderKey> ImageCache::keys() const {
    QList<RenderKey> all = entries.keys();
    std::sort(all.begin(), all.end(), [this](const RenderKey& a, const RenderKey& b) {
        return entries.value(a).lastUse < entries.value(b).lastUse;
    });
    return all;
}

void ImageCache::evict() {
    while (totalBytes > budgetBytes) {
        auto victim = entries.end();
        for (auto entry = entries.begin(); entry != entries.end(); ++entry) {
            if (!isProtected(entry.key()) &&
                (victim == entries.end() || entry->lastUse < victim->lastUse))
                victim = entry;
        }
        if (victim == entries.end())
            return;
        totalBytes -= victim->image.sizeInBytes();
        entries.erase(victim);
    }
}
