#include "render/RenderPool.h"

#include "render/PageImage.h"

#include <QElapsedTimer>

#include <algorithm>

RenderPool::RenderPool(const QString& path, const EngineFactory& engines, Finished finished,
                       std::unique_ptr<PageEngine> opened)
    : path(path), engines(engines), finished(std::move(finished)) {
    const int count = std::max(1, engines.workers);
    workers.emplace_back([this, first = std::move(opened)]() mutable { run(std::move(first)); });
    for (int i = 1; i < count; ++i)
        workers.emplace_back([this] { run(nullptr); });
}

RenderPool::~RenderPool() {
    closing = true;
    {
        std::lock_guard lock(mutex);
        stopping = true;
        jobs.clear();
        for (const auto& cancel : running)
            *cancel = true;
    }
    wake.notify_all();
    for (std::thread& worker : workers)
        worker.join();
}

void RenderPool::start(Job job) {
    ++busy;
    {
        std::lock_guard lock(mutex);
        jobs.push_back(std::move(job));
    }
    wake.notify_one();
}

void RenderPool::run(std::unique_ptr<PageEngine> opened) {
    // Opened by each worker on its own thread, so that no worker waits for another's open.
    const std::unique_ptr<PageEngine> engine =
        opened ? std::move(opened) : engines.openCancellable(path, {}, nullptr, &closing);
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex);
            wake.wait(lock, [this] { return stopping || !jobs.empty(); });
            if (stopping)
                return;
            job = std::move(jobs.front());
            jobs.pop_front();
            running.push_back(job.cancel);
        }
        QElapsedTimer timer;
        timer.start();
        Result result{job, {}, 0};
        bool read = true;
        if (!*job.cancel) {
            if (job.readOnly)
                read = !engine || engine->readPage(job.key.page, job.cancel.get());
            else if (!job.larger.isNull())
                result.image = PageImage::derive(job.larger, job.pageSize, job.key);
            else if (engine && job.bandBottom > 0)
                result.image = PageImage::drawRows(*engine, job.key, job.bandTop, job.bandBottom,
                                                   job.cancel.get());
            else if (engine)
                result.image = PageImage::draw(*engine, job.key, job.cancel.get());
        }
        result.nanoseconds = timer.nsecsElapsed();
        result.failed = job.readOnly
                            ? !read && !*job.cancel
                            : engine && job.larger.isNull() && !*job.cancel &&
                                  result.image.isNull() && PageImage::possible(*engine, job.key);
        // The larger image is the caller's; do not keep a reference to it in the answer.
        result.job.larger = QImage();
        {
            std::lock_guard lock(mutex);
            running.erase(std::find(running.begin(), running.end(), job.cancel));
        }
        // Delivered only while the pool lives: its destructor joins this thread first, and
        // destroying a QObject discards the events still posted to it.
        QMetaObject::invokeMethod(
            this, [this, result] { deliver(result); }, Qt::QueuedConnection);
    }
}

void RenderPool::deliver(const Result& result) {
    --busy;
    finished(result);
}
