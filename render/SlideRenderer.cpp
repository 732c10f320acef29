#include "render/SlideRenderer.h"

#include "base/Preferences.h"
#include "render/PageImage.h"

#include <algorithm>
#include <cstring>
#include <tuple>

namespace {

constexpr qint64 mebibyte = 1024 * 1024;

// Pages expected to take this long to draw are drawn in bands, each band taken by the next free
// worker unless something more urgent waits, so a slow page holds a worker for one band at most.
// Measured: a heavy vector page gains a third or more; an ordinary slide at 4K (50 ms) takes
// twice as long in two bands, so size alone is no reason.
constexpr qint64 slowDrawNanoseconds = 200'000'000;
// Measured on a heavy vector page at 1080p, whose curves fill the middle third of the rows: in two
// bands one worker got three quarters of the work; in sixteen, handed out as workers come free,
// the two finish together, and the bands add up to less than the whole (smaller edge lists).
constexpr int bandsPerWorker = 8;
constexpr int minimumBandRows = 32;
// A draw's time predicts a draw of up to this many times its pixels. A sample slide's thumbnail,
// drawn first, took 2-10 ms: scaled to 4K it promised over 200 ms, and in bands that slide took
// 17 ms instead of 9.
constexpr qint64 smallestScaledDraw = 16;

bool mayDerive(RenderPriority priority) {
    // The projector only ever gets an exact draw.
    return priority == RenderPriority::consoleView || priority == RenderPriority::consolePrefetch ||
           priority == RenderPriority::thumbnail;
}

} // namespace

SlideRenderer::SlideRenderer(const QUrl& url, const QList<QSizeF>& pageSizes,
                             const EngineFactory& engines, qint64 cacheBytes, QObject* parent)
    : SlideRenderer(url, pageSizes, engines, nullptr, cacheBytes, parent) {}

SlideRenderer::SlideRenderer(const QUrl& url, const QList<QSizeF>& pageSizes,
                             const EngineFactory& engines, std::unique_ptr<PageEngine> opened,
                             qint64 cacheBytes, QObject* parent)
    : QObject(parent), pageSizes(pageSizes), cache(cacheBytes),
      pool(std::make_unique<RenderPool>(
          url.toLocalFile(), engines, [this](const RenderPool::Result& result) { finish(result); },
          std::move(opened))) {}

SlideRenderer::~SlideRenderer() {
    pool.reset();
}

qint64 SlideRenderer::defaultCacheBytes() {
    return std::max<qint64>(16, Preferences::integer(QStringLiteral("renderCacheMiB"), 512)) *
           mebibyte;
}

std::optional<QImage> SlideRenderer::cached(const Key& key) {
    return cache.use(key);
}

void SlideRenderer::request(const Key& key, Done done, Priority priority, Source source) {
    dropCallbacks(source);
    if (const auto image = cache.use(key)) {
        scheduler.want(source, priority, {});
        schedule();
        if (done)
            done(*image);
        return;
    }
    if (done)
        waiting[key].append({source, std::move(done)});
    scheduler.want(source, priority, {key});
    schedule();
}

void SlideRenderer::prefetch(Source source, Priority priority, const QList<Key>& keys) {
    scheduler.want(source, priority, keys);
    schedule();
}

void SlideRenderer::withdraw(Source source) {
    dropCallbacks(source);
    scheduler.want(source, Priority::deckAhead, {});
    schedule();
}

void SlideRenderer::protect(qint64 first, qint64 last) {
    cache.protect(first, last);
}

bool SlideRenderer::isPending(const Key& key) const {
    return waiting.contains(key) || scheduler.priorityOf(key) || isInFlight(key);
}

void SlideRenderer::schedule() {
    // Once per turn of the event loop: a refresh that asks for many images in any order still has
    // the most urgent drawn first.
    if (pumpPosted)
        return;
    pumpPosted = true;
    QMetaObject::invokeMethod(this, &SlideRenderer::pump, Qt::QueuedConnection);
}

void SlideRenderer::pump() {
    pumpPosted = false;
    cancelUnwanted();
    while (pool->idle() > 0) {
        const auto pick = nextToStart();
        if (const auto banded = nextBands(); banded && bandsGoFirst(*banded, pick)) {
            startBand(*banded);
            continue;
        }
        if (!pick) {
            readAlong();
            return;
        }
        start(*pick);
    }
    preemptForViews();
}

void SlideRenderer::start(const RenderScheduler::Pick& pick) {
    RenderPool::Job job;
    job.id = ++lastJob;
    job.key = pick.key;
    job.pageSize = pageSizes.value(pick.key.page);
    Flight flight;
    flight.key = pick.key;
    flight.cancel = job.cancel;
    if (mayDerive(pick.priority)) {
        if (const auto larger = cache.largerOf(pick.key);
            larger && derivesFaster(pick.key, *larger)) {
            job.larger = *cache.use(*larger);
            flight.largerPixels = larger->pixels();
        }
    }
    flight.reading = flight.largerPixels == 0 && readsFirst(pick);
    job.readOnly = flight.reading;
    const int workers = flight.largerPixels > 0 || flight.reading ? 1 : bandsFor(pick);
    if (workers <= 1) {
        inFlight.insert(job.id, flight);
        pool->start(std::move(job));
        return;
    }
    const int height = int(pick.key.height);
    const int count = std::clamp(height / minimumBandRows, workers, bandsPerWorker * workers);
    flight.bands = std::make_shared<Bands>();
    flight.bands->image = QImage(int(pick.key.width), height, QImage::Format_RGB32);
    flight.bands->job = job;
    for (int band = 0; band < count; ++band)
        flight.bands->waiting.emplace_back(height * band / count, height * (band + 1) / count);
    // The other idle workers take the next bands as the pump goes on.
    startBand(flight);
}

void SlideRenderer::startBand(const Flight& flight) {
    Bands& bands = *flight.bands;
    RenderPool::Job part = bands.job;
    part.id = ++lastJob;
    std::tie(part.bandTop, part.bandBottom) = bands.waiting.front();
    bands.waiting.pop_front();
    ++bands.out;
    inFlight.insert(part.id, flight);
    pool->start(std::move(part));
}

void SlideRenderer::readAlong() {
    // A page drawn or read for the first time may turn out to take seconds; then its bands go to
    // every worker, and each must read the page before its first band. A worker with nothing to do
    // reads it meanwhile, so that the bands start on all of them at once.
    QHash<qint64, int> readers;
    for (const ReadAlong& along : std::as_const(readingAlong))
        ++readers[along.page];
    for (const Flight& flight : std::as_const(inFlight)) {
        const qint64 page = flight.key.page;
        if (flight.bands || flight.largerPixels > 0 || *flight.cancel || drawCosts.contains(page) ||
            readNanoseconds.contains(page))
            continue;
        while (pool->idle() > 0 && readers[page] < pool->size() - 1) {
            RenderPool::Job job;
            job.id = ++lastJob;
            job.key = flight.key;
            job.readOnly = true;
            readingAlong.insert(job.id, {page, job.cancel});
            pool->start(std::move(job));
            ++readers[page];
        }
    }
}

bool SlideRenderer::readsFirst(const RenderScheduler::Pick& pick) const {
    // A page nothing is known of yet could be one that takes seconds: drawn whole, it would hold
    // one worker all that time while the others run out of pages. Reading it first costs a round
    // trip and says whether to draw it in bands. Views on screen never wait for that.
    return pool->size() >= 2 && pick.priority >= Priority::audiencePrefetch &&
           !drawCosts.contains(pick.key.page) && !readNanoseconds.contains(pick.key.page);
}

int SlideRenderer::bandsFor(const RenderScheduler::Pick& pick) const {
    // A zoomed region is a small part of the page's work: drawn whole by one worker.
    return pool->size() >= 2 && pick.key.wholePage() && isSlow(pick.key) ? pool->size() : 1;
}

std::optional<SlideRenderer::Flight> SlideRenderer::nextBands() const {
    std::optional<Flight> most;
    for (const Flight& flight : inFlight) {
        if (!flight.bands || flight.bands->waiting.empty() || *flight.cancel)
            continue;
        if (!most || priorityOf(flight) < priorityOf(*most))
            most = flight;
    }
    return most;
}

bool SlideRenderer::bandsGoFirst(const Flight& banded,
                                 const std::optional<RenderScheduler::Pick>& pick) const {
    // A page begun is finished before others as urgent; anything more urgent comes first.
    return !pick || priorityOf(banded) <= pick->priority;
}

SlideRenderer::Priority SlideRenderer::priorityOf(const Flight& flight) const {
    return scheduler.priorityOf(flight.key).value_or(Priority::deckAhead);
}

bool SlideRenderer::isSlow(const Key& key) const {
    // Drawing a page costs at least reading it.
    if (readNanoseconds.value(key.page) >= slowDrawNanoseconds)
        return true;
    const auto drawn = drawCosts.constFind(key.page);
    if (drawn == drawCosts.constEnd() || drawn->pixels <= 0)
        return false;
    // Drawing larger never costs less.
    if (drawn->nanoseconds >= slowDrawNanoseconds && drawn->pixels <= key.pixels())
        return true;
    // A much smaller draw's time is mostly what does not grow with size (reading the page,
    // decoding its images): scaled up by pixels it would make a cheap page look slow.
    if (drawn->pixels * smallestScaledDraw < key.pixels())
        return false;
    return double(drawn->nanoseconds) * double(key.pixels()) / double(drawn->pixels) >=
           double(slowDrawNanoseconds);
}

std::optional<QImage> SlideRenderer::assemble(const Flight& flight,
                                              const RenderPool::Result& result) {
    Bands& bands = *flight.bands;
    const QImage& band = result.image;
    const int top = result.job.bandTop;
    const int rows = result.job.bandBottom - top;
    if (band.width() == bands.image.width() && band.height() == rows && !bands.incomplete) {
        const auto rowBytes = size_t(band.width()) * sizeof(QRgb);
        for (int y = 0; y < rows; ++y)
            std::memcpy(bands.image.scanLine(top + y), band.constScanLine(y), rowBytes);
    } else {
        bands.incomplete = true;
    }
    bands.failed = bands.failed || result.failed;
    bands.nanoseconds += result.nanoseconds;
    if (*flight.cancel && !bands.waiting.empty())
        bands.incomplete = true;
    // Nothing more to draw: the image goes back to the line or comes out black.
    if (bands.incomplete || bands.failed)
        bands.waiting.clear();
    if (--bands.out > 0 || !bands.waiting.empty())
        return std::nullopt;
    return bands.incomplete ? QImage() : bands.image;
}

void SlideRenderer::cancelUnwanted() {
    for (const Flight& flight : std::as_const(inFlight)) {
        if (!scheduler.priorityOf(flight.key) && !waiting.contains(flight.key))
            *flight.cancel = true;
    }
}

void SlideRenderer::preemptForViews() {
    // Reading along gives way to any image a free worker would take, except the bands of the page
    // being read: that worker's read is what they wait for.
    const auto startable = nextToStart();
    const auto banded = nextBands();
    bool yielded = false;
    for (const ReadAlong& along : std::as_const(readingAlong)) {
        if (!*along.cancel && (startable || (banded && banded->key.page != along.page))) {
            *along.cancel = true;
            yielded = true;
        }
    }
    if (yielded)
        return;
    const auto waitingView = nextWaiting();
    if (!waitingView || waitingView->priority > Priority::consoleView)
        return;
    // Stop the least wanted prefetch in flight; it stays queued and is drawn again later.
    Flight* victim = nullptr;
    Priority victimPriority = Priority::audienceView;
    for (Flight& flight : inFlight) {
        const Priority wanted = priorityOf(flight);
        if (*flight.cancel || wanted < Priority::audiencePrefetch)
            continue;
        if (!victim || wanted > victimPriority) {
            victim = &flight;
            victimPriority = wanted;
        }
    }
    if (victim)
        *victim->cancel = true;
}

void SlideRenderer::finish(const RenderPool::Result& result) {
    // A worker that fails a read along gets a fresh process, and the draw it went with tells
    // whether the page draws at all.
    if (const auto along = readingAlong.find(result.job.id); along != readingAlong.end()) {
        if (!result.failed && !*along->cancel)
            readNanoseconds.insert(along->page, result.nanoseconds);
        readingAlong.erase(along);
        schedule();
        return;
    }
    const Flight flight = inFlight.take(result.job.id);
    const Key& key = flight.key;
    if (flight.reading && !result.failed) {
        if (!*flight.cancel)
            readNanoseconds.insert(key.page, result.nanoseconds);
        schedule();
        return;
    }
    QImage image = result.image;
    qint64 nanoseconds = result.nanoseconds;
    bool failed = result.failed;
    if (flight.bands) {
        const auto whole = assemble(flight, result);
        if (!whole) {
            // This worker is free: for the page's next band unless something more urgent waits
            // and another band of the page is still out (a page with none out would be found by
            // nobody, and its bands drawn again).
            if (!flight.bands->waiting.empty() &&
                (flight.bands->out == 0 || bandsGoFirst(flight, nextWaiting())))
                startBand(flight);
            else
                schedule();
            return;
        }
        image = *whole;
        nanoseconds = flight.bands->nanoseconds;
        failed = flight.bands->failed;
    }
    bool exact = image.width() == key.width && image.height() == key.height;
    if (failed) {
        // The engine could not draw the page (its worker crashed, hung or ran out of memory):
        // black, kept like any image so it is not tried again until the deck is opened anew.
        image = PageImage::black(key);
        failedPages.insert(key.page);
        exact = !image.isNull();
    }
    if (!exact) {
        // A cancelled draw goes back to the line if anyone still wants it; an impossible one
        // is dropped.
        const bool cancelled = *flight.cancel && image.isNull();
        if (!cancelled) {
            scheduler.settle(key);
            waiting.remove(key);
        }
        schedule();
        return;
    }
    if (flight.largerPixels > 0) {
        const double perPixel = double(nanoseconds) / double(flight.largerPixels);
        deriveNanosecondsPerPixel = deriveNanosecondsPerPixel < 0
                                        ? perPixel
                                        : 0.75 * deriveNanosecondsPerPixel + 0.25 * perPixel;
    } else if (key.wholePage()) {
        drawCosts.insert(key.page, {nanoseconds, key.pixels()});
    }
    cache.store(key, image);
    scheduler.settle(key);
    const QList<std::pair<Source, Done>> callbacks = waiting.take(key);
    schedule();
    for (const auto& [source, done] : callbacks)
        done(image);
}

void SlideRenderer::dropCallbacks(Source source) {
    for (auto entry = waiting.begin(); entry != waiting.end();) {
        entry->removeIf([source](const auto& callback) { return callback.first == source; });
        entry = entry->isEmpty() ? waiting.erase(entry) : std::next(entry);
    }
}

std::optional<RenderScheduler::Pick> SlideRenderer::nextWaiting() const {
    return scheduler.next(
        [this](const Key& key) { return cache.contains(key) || isInFlight(key); });
}

std::optional<RenderScheduler::Pick> SlideRenderer::nextToStart() const {
    auto pick = nextWaiting();
    // The whole deck ahead never pushes out an image somebody asked for.
    if (pick && pick->priority == Priority::deckAhead &&
        !cache.fits(ImageCache::bytesFor(pick->key)))
        return std::nullopt;
    return pick;
}

bool SlideRenderer::isInFlight(const Key& key) const {
    return std::any_of(inFlight.cbegin(), inFlight.cend(),
                       [&key](const Flight& flight) { return flight.key == key; });
}

bool SlideRenderer::derivesFaster(const Key& key, const Key& larger) const {
    // The first scaling is what measures it.
    if (deriveNanosecondsPerPixel < 0)
        return true;
    const auto drawn = drawCosts.constFind(key.page);
    if (drawn == drawCosts.constEnd() || drawn->pixels <= 0)
        return true;
    // Drawing costs at least its share of the pixels of the measured draw (a page's fixed costs
    // only add to it), so scaling that beats this estimate beats the draw.
    const double drawEstimate =
        double(drawn->nanoseconds) * double(key.pixels()) / double(drawn->pixels);
    return deriveNanosecondsPerPixel * double(larger.pixels()) < drawEstimate;
}
