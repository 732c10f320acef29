#include "document/SlideRenderer.h"

#include <QThread>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <limits>
#include <mutex>

namespace {

// Beyond this QPainter cannot draw into an image; such a request yields nothing.
constexpr qint64 maximumSide = 32767;

bool isLarge(const SlideRenderer::Key& key) {
    return key.width * key.height > SlideRenderer::largePixelCount;
}

// One pixel of the page (not premultiplied) laid over white, as an opaque pixel.
inline QRgb overWhite(QRgb pixel) {
    const uint alpha = qAlpha(pixel);
    if (alpha == 255)
        return pixel;
    if (alpha == 0)
        return 0xffffffff;
    const uint rest = 255 * (255 - alpha) + 127;
    return qRgb(int((qRed(pixel) * alpha + rest) / 255), int((qGreen(pixel) * alpha + rest) / 255),
                int((qBlue(pixel) * alpha + rest) / 255));
}

// Lays the transparent page over white into `target` at `at`, row by row. One pass over the
// pixels: at 4K a QPainter composition with fills costs more than drawing the page itself.
void composeOverWhite(const QImage& page, QImage& target, QPoint at) {
    for (int y = 0; y < page.height(); ++y) {
        const QRgb* from = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        QRgb* to = reinterpret_cast<QRgb*>(target.scanLine(at.y() + y)) + at.x();
        for (int x = 0; x < page.width(); ++x)
            to[x] = overWhite(from[x]);
    }
}

} // namespace

// The thread that alone owns the renderer's document, with its queue of keys to draw.
class SlideRenderer::Worker {
public:
    Worker(SlideRenderer* owner, const QString& path, const EngineFactory& engines)
        : owner(owner), path(path), engines(engines) {
        thread.reset(QThread::create([this] { run(); }));
        thread->setObjectName(QStringLiteral("Orvello.render"));
        thread->start();
    }

    ~Worker() {
        {
            std::lock_guard lock(mutex);
            stopping = true;
            viewQueue.clear();
            prefetchQueue.clear();
        }
        wake.notify_one();
        thread->wait();
    }

    void enqueue(const Key& key, Priority priority) {
        {
            std::lock_guard lock(mutex);
            (priority == Priority::view ? viewQueue : prefetchQueue).push_back(key);
        }
        wake.notify_one();
    }

    // A view now waits for a key that was queued as a prefetch: draw it with the views.
    void promote(const Key& key) {
        std::lock_guard lock(mutex);
        const auto queued = std::find(prefetchQueue.begin(), prefetchQueue.end(), key);
        if (queued == prefetchQueue.end())
            return;
        prefetchQueue.erase(queued);
        viewQueue.push_back(key);
    }

private:
    void run() {
        const std::unique_ptr<PageEngine> document = engines.open(path, {}, nullptr);
        for (;;) {
            Key key;
            {
                std::unique_lock lock(mutex);
                wake.wait(lock, [this] {
                    return stopping || !viewQueue.empty() || !prefetchQueue.empty();
                });
                if (stopping)
                    return;
                std::deque<Key>& queue = viewQueue.empty() ? prefetchQueue : viewQueue;
                key = queue.front();
                queue.pop_front();
            }
            const QImage image = document ? renderPage(*document, key) : QImage();
            // Delivered only while the owner lives: its destructor joins this thread first, and
            // destroying a QObject discards the events still posted to it.
            QMetaObject::invokeMethod(
                owner, [owner = owner, key, image] { owner->finish(key, image); },
                Qt::QueuedConnection);
        }
    }

    SlideRenderer* const owner;
    const QString path;
    const EngineFactory engines;
    std::unique_ptr<QThread> thread;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Key> viewQueue;
    std::deque<Key> prefetchQueue;
    bool stopping = false;
};

SlideRenderer::SlideRenderer(const QUrl& url, const EngineFactory& engines, QObject* parent)
    : QObject(parent), worker(std::make_unique<Worker>(this, url.toLocalFile(), engines)) {}

SlideRenderer::~SlideRenderer() {
    worker.reset();
}

std::optional<QImage> SlideRenderer::cached(const Key& key) const {
    const auto found = cache.constFind(key);
    if (found == cache.constEnd())
        return std::nullopt;
    return *found;
}

void SlideRenderer::request(const Key& key, Done done) {
    const Priority priority = done ? Priority::view : Priority::prefetch;
    request(key, std::move(done), priority);
}

void SlideRenderer::request(const Key& key, Done done, Priority priority) {
    if (const auto image = cached(key)) {
        if (done)
            done(*image);
        return;
    }
    if (const auto waiting = pending.find(key); waiting != pending.end()) {
        if (done)
            waiting->append(std::move(done));
        if (priority == Priority::view)
            worker->promote(key);
        return;
    }
    QList<Done>& callbacks = pending[key];
    if (done)
        callbacks.append(std::move(done));
    worker->enqueue(key, priority);
}

void SlideRenderer::store(const QImage& image, const Key& key) {
    if (cache.contains(key))
        storedOrder.removeOne(key);
    cache.insert(key, image);
    storedOrder.append(key);
    for (;;) {
        const auto largeCount = std::count_if(storedOrder.cbegin(), storedOrder.cend(), isLarge);
        if (storedOrder.size() <= maxEntries && largeCount <= maxLargeEntries)
            return;
        const auto oldestLarge = std::find_if(storedOrder.begin(), storedOrder.end(), isLarge);
        const auto victim = oldestLarge != storedOrder.end() ? oldestLarge : storedOrder.begin();
        cache.remove(*victim);
        storedOrder.erase(victim);
    }
}

void SlideRenderer::finish(const Key& key, const QImage& image) {
    if (image.isNull()) {
        // Nobody is told; a later request for the key tries again.
        pending.remove(key);
        return;
    }
    store(image, key);
    const QList<Done> callbacks = pending.take(key);
    for (const Done& done : callbacks)
        done(image);
}

SlideRenderer::Placement SlideRenderer::placement(QSizeF pageSize, qint64 width, qint64 height) {
    const double pw = pageSize.width();
    const double ph = pageSize.height();
    if (!(pw > 0) || !(ph > 0) || !std::isfinite(pw) || !std::isfinite(ph))
        return {};
    const double w = double(width);
    const double h = double(height);
    const double scale = std::min(w / pw, h / ph);
    const double dw = pw * scale;
    const double dh = ph * scale;
    return {std::round((w - dw) * 0.5), std::round((h - dh) * 0.5), dw, dh};
}

QRect SlideRenderer::pageArea(QSizeF pageSize, qint64 width, qint64 height) {
    const Placement place = placement(pageSize, width, height);
    const qint64 x = qint64(place.x);
    const qint64 y = qint64(place.y);
    const qint64 areaWidth = std::min(qint64(std::round(place.width)), width - x);
    const qint64 areaHeight = std::min(qint64(std::round(place.height)), height - y);
    if (areaWidth < 1 || areaHeight < 1)
        return {};
    // Flip once: the distance from the top is what is left above the page.
    return QRect(int(x), int(height - y - areaHeight), int(areaWidth), int(areaHeight));
}

QImage SlideRenderer::renderPage(const PageEngine& document, const Key& key) {
    if (key.page < 0 || key.page >= document.pageCount() || key.width < 1 || key.height < 1 ||
        key.width > maximumSide || key.height > maximumSide)
        return {};
    const QSize size(int(key.width), int(key.height));
    const QRect area = pageArea(document.pageSize(key.page), key.width, key.height);
    if (area.isEmpty()) {
        // A page without a usable size shows as bars only.
        QImage bars(size, QImage::Format_RGB32);
        bars.fill(Qt::black);
        return bars;
    }
    QImage page = document.drawPage(key.page, area.size());
    if (page.isNull() || page.size() != area.size())
        return {};
    if (page.format() != QImage::Format_ARGB32)
        page.convertTo(QImage::Format_ARGB32);
    if (area.size() == size) {
        // The page fills the whole image (the usual case): compose in place, no second bitmap.
        composeOverWhite(page, page, {0, 0});
        page.reinterpretAsFormat(QImage::Format_RGB32);
        return page;
    }
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    image.fill(Qt::black);
    composeOverWhite(page, image, area.topLeft());
    return image;
}
