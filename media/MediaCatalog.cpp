#include "media/MediaCatalog.h"

#include "media/MediaSource.h"

#include <QCoreApplication>
#include <QPointer>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include <unistd.h>

// One thread per deck with its own engine; a reader left behind (a new deck, the catalog gone)
// ends after the job it is in, and its answers find nobody.
struct MediaCatalog::Reader {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void(PageEngine*)>> jobs;
    bool closed = false;

    void run(EngineFactory engines, QString path) {
        std::unique_ptr<PageEngine> engine;
        bool opened = false;
        for (;;) {
            std::function<void(PageEngine*)> job;
            {
                std::unique_lock lock(mutex);
                wake.wait(lock, [this] { return closed || !jobs.empty(); });
                if (closed)
                    return;
                job = std::move(jobs.front());
                jobs.pop_front();
            }
            if (!opened) {
                opened = true;
                engine = engines.open(path, {}, nullptr);
            }
            job(engine.get());
        }
    }
};

MediaCatalog::MediaCatalog(QObject* parent) : QObject(parent) {}

MediaCatalog::~MediaCatalog() {
    setDeck({}, {});
}

void MediaCatalog::setDeck(const EngineFactory& engines, const QString& path) {
    if (reader) {
        std::lock_guard lock(reader->mutex);
        reader->closed = true;
        reader->wake.notify_all();
    }
    reader.reset();
    ++generation;
    pages.clear();
    asked.clear();
    if (path.isEmpty() || !engines.open)
        return;
    reader = std::make_shared<Reader>();
    std::thread([shared = reader, engines, path] { shared->run(engines, path); }).detach();
}

void MediaCatalog::post(std::function<void(PageEngine*)> job) {
    if (!reader)
        return;
    std::lock_guard lock(reader->mutex);
    reader->jobs.push_back(std::move(job));
    reader->wake.notify_all();
}

std::optional<QList<MediaLink>> MediaCatalog::media(qint64 page) {
    const auto known = pages.constFind(page);
    if (known != pages.constEnd())
        return *known;
    if (!reader || asked.contains(page))
        return std::nullopt;
    asked.insert(page);
    const QPointer<MediaCatalog> self(this);
    const quint64 wanted = generation;
    post([self, wanted, page](PageEngine* engine) {
        QList<MediaLink> found;
        for (const MediaLink& link : engine ? engine->pageMedia(page) : QList<MediaLink>()) {
            if (link.kind != MediaLink::Kind::link)
                found.append(link);
            else if (const std::optional<MediaLink> clip = MediaSource::fromLink(link))
                found.append(*clip);
        }
        QMetaObject::invokeMethod(
            qApp,
            [self, wanted, page, found] {
                if (!self || self->generation != wanted)
                    return;
                self->pages.insert(page, found);
                emit self->pageRead(page);
            },
            Qt::QueuedConnection);
    });
    return std::nullopt;
}

void MediaCatalog::takeFile(qint64 page, int index) {
    const QPointer<MediaCatalog> self(this);
    const quint64 wanted = generation;
    if (!reader) {
        emit fileTaken(page, index, -1);
        return;
    }
    post([self, wanted, page, index](PageEngine* engine) {
        const int fd = engine ? engine->mediaFile(page, index) : -1;
        QMetaObject::invokeMethod(
            qApp,
            [self, wanted, page, index, fd] {
                if (!self || self->generation != wanted) {
                    if (fd >= 0)
                        close(fd);
                    return;
                }
                emit self->fileTaken(page, index, fd);
            },
            Qt::QueuedConnection);
    });
}
