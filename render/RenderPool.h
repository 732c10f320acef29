// Worker threads that each open their own engine instance and draw or scale the jobs handed to
// them.
#pragma once

#include "engine/PageEngine.h"
#include "render/RenderKey.h"

#include <QImage>
#include <QObject>
#include <QSizeF>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class RenderPool : public QObject {
    Q_OBJECT

public:
    struct Job {
        quint64 id = 0;
        RenderKey key;
        // Set: scale this larger image of the page down instead of drawing.
        QImage larger;
        QSizeF pageSize;
        // Rows [bandTop, bandBottom) of the key's image only, when bandBottom > 0: one worker's
        // share of a large image drawn by several.
        int bandTop = 0;
        int bandBottom = 0;
        // Only read the page, ahead of its draws: the time says whether it is slow to draw.
        bool readOnly = false;
        std::shared_ptr<std::atomic_bool> cancel = std::make_shared<std::atomic_bool>(false);
    };
    struct Result {
        Job job;
        QImage image; // null when drawing failed or was cancelled; a band's rows for a band
        qint64 nanoseconds = 0;
        // The engine could not draw (or read) a page it has at a possible size (not cancelled).
        bool failed = false;
    };
    // Called on the thread that made the pool, once per started job.
    using Finished = std::function<void(const Result&)>;

    // `opened`, where given, is an instance of the file already open: the first worker draws
    // with it instead of opening one of its own.
    RenderPool(const QString& path, const EngineFactory& engines, Finished finished,
               std::unique_ptr<PageEngine> opened = nullptr);
    // Cancels the jobs in flight and waits for them; their results are dropped.
    ~RenderPool() override;

    int size() const { return int(workers.size()); }
    int idle() const { return size() - busy; }
    // Only while idle() > 0, so no job ever waits behind another.
    void start(Job job);

private:
    void run(std::unique_ptr<PageEngine> opened);
    void deliver(const Result& result);

    const QString path;
    const EngineFactory engines;
    const Finished finished;
    int busy = 0;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Job> jobs;
    std::vector<std::shared_ptr<std::atomic_bool>> running;
    bool stopping = false;
    // Set first when the pool goes: a worker still opening the document gives up.
    std::atomic_bool closing = false;
    std::vector<std::thread> workers;
};
