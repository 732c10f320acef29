// Page images of an exact pixel size, drawn on one worker thread per document and cached.
#pragma once

#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QRect>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

#include "document/PageEngine.h"

class SlideRenderer : public QObject {
    Q_OBJECT

public:
    struct Key {
        qint64 page = 0;
        qint64 width = 0;  // device pixels
        qint64 height = 0; // device pixels
        friend bool operator==(const Key&, const Key&) = default;
        friend size_t qHash(const Key& key, size_t seed = 0) {
            return qHashMulti(seed, key.page, key.width, key.height);
        }
    };

    // Requests of views on screen are drawn before prefetches, whatever the order of arrival.
    enum class Priority { view, prefetch };

    using Done = std::function<void(const QImage&)>;

    static constexpr int maxEntries = 400;
    static constexpr int maxLargeEntries = 12;
    static constexpr qint64 largePixelCount = 400000;

    // Opens its own copy of the document on the worker thread; never fails (a document that
    // cannot be opened makes every render yield nothing).
    explicit SlideRenderer(const QUrl& url, const EngineFactory& engines = defaultEngineFactory(),
                           QObject* parent = nullptr);
    // Drops queued work and waits for a render in flight; its result is discarded.
    ~SlideRenderer() override;

    // A pure lookup; it does not protect the entry from eviction.
    std::optional<QImage> cached(const Key& key) const;
    // Hands the image for `key` to `done` on the main thread: at once on a cache hit, else once it
    // is drawn. Identical requests in flight are drawn once; their callbacks run in request order.
    // Without a callback the request is a prefetch and gets the lower priority.
    void request(const Key& key, Done done = {});
    void request(const Key& key, Done done, Priority priority);

    // Puts a finished image in the cache and evicts: at most maxEntries images and at most
    // maxLargeEntries large ones, large ones first, oldest stored first.
    void store(const QImage& image, const Key& key);
    // Cached keys, oldest stored first.
    const QList<Key>& order() const { return storedOrder; }
    bool isPending(const Key& key) const { return pending.contains(key); }

    // Where the page goes in a width x height image, origin at the bottom-left and y upwards:
    // centred with the aspect kept, offsets rounded half away from zero, the size not rounded.
    struct Placement {
        double x = 0;
        double y = 0;
        double width = 0;
        double height = 0;
    };
    static Placement placement(QSizeF pageSize, qint64 width, qint64 height);
    // The same area in whole pixels of the image, origin at the top-left; empty for a page
    // without a usable size.
    static QRect pageArea(QSizeF pageSize, qint64 width, qint64 height);
    // One page letter-boxed into an opaque image of exactly the key's size; null when the page or
    // size is invalid. Safe to call on any thread that owns `document`.
    static QImage renderPage(const PageEngine& document, const Key& key);

private:
    class Worker;

    void finish(const Key& key, const QImage& image);

    QHash<Key, QImage> cache;
    QList<Key> storedOrder;
    QHash<Key, QList<Done>> pending;
    std::unique_ptr<Worker> worker;
};
