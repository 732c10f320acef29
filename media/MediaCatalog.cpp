#include "media/MediaCatalog.h"

#include "media/MediaSource.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include <unistd.h>

namespace {

// The deck's first pictures come before the reading of all its pages.
constexpr std::chrono::seconds sweepDelay{2};

// The page's clips, pdfpc's links read as clips and other links left out.
QList<MediaLink> readPage(const PageEngine* engine, qint64 page) {
    QList<MediaLink> found;
    for (const MediaLink& link : engine ? engine->pageMedia(page) : QList<MediaLink>()) {
        if (link.kind != MediaLink::Kind::link)
            found.append(link);
        else if (const std::optional<MediaLink> clip = MediaSource::fromLink(link))
            found.append(*clip);
    }
    return found;
}

} // namespace

// One thread per deck with its own engine, opened for the first job; a reader left behind (a new
// deck, the catalog gone) ends after the job it is in, and its answers find nobody. From a few
// seconds after the deck opened (its first pictures come first) it reads the deck's pages in
// order between the jobs asked for; once all are read and none embeds a clip, its engine goes (a
// worker process fewer during the talk), to be opened again only if a job comes.
struct MediaCatalog::Reader {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void(PageEngine*)>> jobs;
    bool closed = false;

    void run(EngineFactory engines, QString path,
             std::function<void(qint64, QList<MediaLink>)> read) {
        const auto sweepFrom = std::chrono::steady_clock::now() + sweepDelay;
        std::unique_ptr<PageEngine> engine;
        std::optional<qint64> count;
        qint64 next = 0;
        bool embedded = false;
        bool released = true;
        for (;;) {
            std::function<void(PageEngine*)> job;
            {
                std::unique_lock lock(mutex);
                const auto asked = [this] { return closed || !jobs.empty(); };
                if (count && next >= *count)
                    wake.wait(lock, asked);
                else
                    wake.wait_until(lock, sweepFrom, asked);
                if (closed)
                    return;
                if (!jobs.empty()) {
                    job = std::move(jobs.front());
                    jobs.pop_front();
                }
            }
            if (released) {
                engine = engines.open(path, {}, nullptr);
                released = false;
                if (!count)
                    count = engine ? engine->pageCount() : 0;
            }
            if (job) {
                job(engine.get());
                continue;
            }
            if (next >= *count)
                continue;
            const QList<MediaLink> links = readPage(engine.get(), next);
            embedded = embedded || std::any_of(links.begin(), links.end(),
                                               [](const MediaLink& link) { return link.embedded; });
            read(next, links);
            if (++next == *count && !embedded) {
                engine.reset();
                released = true;
            }
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
    const QPointer<MediaCatalog> self(this);
    const quint64 wanted = generation;
    const auto read = [self, wanted](qint64 page, const QList<MediaLink>& found) {
        QMetaObject::invokeMethod(
            qApp,
            [self, wanted, page, found] { self ? self->pageFound(wanted, page, found) : void(); },
            Qt::QueuedConnection);
    };
    std::thread([shared = reader, engines, path, read] {
        shared->run(engines, path, read);
    }).detach();
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
        const QList<MediaLink> found = readPage(engine, page);
        QMetaObject::invokeMethod(
            qApp,
            [self, wanted, page, found] { self ? self->pageFound(wanted, page, found) : void(); },
            Qt::QueuedConnection);
    });
    return std::nullopt;
}

void MediaCatalog::pageFound(quint64 wanted, qint64 page, const QList<MediaLink>& found) {
    if (generation != wanted || pages.contains(page))
        return;
    pages.insert(page, found);
    if (asked.contains(page))
        emit pageRead(page);
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
