// Page images of an exact pixel size for every view of one deck: scheduled by what the audience
// waits for, drawn by a pool of engine workers, kept in a cache bounded in bytes.
#pragma once

#include "engine/PageEngine.h"
#include "render/ImageCache.h"
#include "render/RenderKey.h"
#include "render/RenderPool.h"
#include "render/RenderScheduler.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QSet>
#include <QSizeF>
#include <QUrl>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

class SlideRenderer : public QObject {
    Q_OBJECT

public:
    using Key = RenderKey;
    using Priority = RenderPriority;
    using Source = RenderScheduler::Source;
    using Done = std::function<void(const QImage&)>;

    // `pageSizes` are the pages as displayed, in points, from the deck loader's own engine.
    SlideRenderer(const QUrl& url, const QList<QSizeF>& pageSizes, const EngineFactory& engines,
                  qint64 cacheBytes = defaultCacheBytes(), QObject* parent = nullptr);
    // With `opened`, an instance of the file already open (the deck loader's), drawn with by the
    // first worker: one process and one open fewer.
    SlideRenderer(const QUrl& url, const QList<QSizeF>& pageSizes, const EngineFactory& engines,
                  std::unique_ptr<PageEngine> opened, qint64 cacheBytes = defaultCacheBytes(),
                  QObject* parent = nullptr);
    // Cancels the draws in flight and waits for them; no callback runs after this.
    ~SlideRenderer() override;

    // The "renderCacheMiB" preference, 512 MiB when unset.
    static qint64 defaultCacheBytes();

    // A lookup that counts as a use of the image.
    std::optional<QImage> cached(const Key& key);
    // What `source` (a view) waits for, replacing its earlier request and its callback. `done` gets
    // the image on the main thread: at once on a cache hit, else once it is drawn. Identical
    // requests are drawn once; a page the engine fails on comes back black (see hasFailed).
    void request(const Key& key, Done done, Priority priority, Source source);
    // Replaces what `source` (a prefetch plan) had queued: pages that no longer matter are dropped.
    void prefetch(Source source, Priority priority, const QList<Key>& keys);
    // `source` wants nothing any more (a hidden or destroyed view).
    void withdraw(Source source);
    // Keeps the pages first … last from eviction (the projector's next ones); the protected
    // images alone may exceed the budget.
    void protect(qint64 first, qint64 last);

    // Whether the engine failed to draw the page; its images are black.
    bool hasFailed(qint64 page) const { return failedPages.contains(page); }

    // Queued, waited for or being drawn.
    bool isPending(const Key& key) const;
    const ImageCache& images() const { return cache; }
    int workerCount() const { return pool->size(); }

private:
    // One large image drawn in bands by several workers, put together as the bands come in. There
    // are more bands than workers, handed out one at a time as workers come free, so that a page
    // whose content sits in a few rows still keeps every worker busy to the end.
    struct Bands {
        QImage image;
        RenderPool::Job job;
        std::deque<std::pair<int, int>> waiting; // rows [top, bottom) not handed out yet
        int out = 0;                             // handed out, not back yet
        bool incomplete = false;
        bool failed = false;
        qint64 nanoseconds = 0; // all workers' time together
    };
    struct Flight {
        Key key;
        std::shared_ptr<std::atomic_bool> cancel;
        qint64 largerPixels = 0; // > 0: scaled down from a larger image
        std::shared_ptr<Bands> bands;
        bool reading = false; // only reading the page, to learn its cost before drawing it
    };
    // A worker with nothing else to do reading a page that another draws or reads for the first
    // time; nobody waits for it, and it gives way to any image asked for.
    struct ReadAlong {
        qint64 page = 0;
        std::shared_ptr<std::atomic_bool> cancel;
    };
    struct DrawCost {
        qint64 nanoseconds = 0;
        qint64 pixels = 0;
    };

    void schedule();
    void pump();
    void start(const RenderScheduler::Pick& pick);
    void readAlong();
    bool readsFirst(const RenderScheduler::Pick& pick) const;
    int bandsFor(const RenderScheduler::Pick& pick) const;
    void startBand(const Flight& flight);
    // The most urgent page with bands not handed out yet.
    std::optional<Flight> nextBands() const;
    bool bandsGoFirst(const Flight& banded, const std::optional<RenderScheduler::Pick>& pick) const;
    Priority priorityOf(const Flight& flight) const;
    bool isSlow(const Key& key) const;
    // The whole image once every band of it is back; nullopt while bands are still out.
    std::optional<QImage> assemble(const Flight& flight, const RenderPool::Result& result);
    void cancelUnwanted();
    void preemptForViews();
    void finish(const RenderPool::Result& result);
    void dropCallbacks(Source source);
    // The most wanted image neither stored nor being drawn.
    std::optional<RenderScheduler::Pick> nextWaiting() const;
    // The same, unless it is the deck ahead and does not fit the budget: what a free worker takes.
    std::optional<RenderScheduler::Pick> nextToStart() const;
    bool isInFlight(const Key& key) const;
    bool derivesFaster(const Key& key, const Key& larger) const;

    const QList<QSizeF> pageSizes;
    ImageCache cache;
    RenderScheduler scheduler;
    QHash<Key, QList<std::pair<Source, Done>>> waiting;
    QHash<quint64, Flight> inFlight;
    QHash<quint64, ReadAlong> readingAlong;
    quint64 lastJob = 0;
    bool pumpPosted = false;
    // Measured here, so the choice between drawing and scaling down follows this deck and machine.
    QHash<qint64, DrawCost> drawCosts;
    QHash<qint64, qint64> readNanoseconds;
    QSet<qint64> failedPages;
    double deriveNanosecondsPerPixel = -1;
    // Last, so that its threads stop before anything they report to goes away.
    std::unique_ptr<RenderPool> pool;
};
