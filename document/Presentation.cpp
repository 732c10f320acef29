#include "document/Presentation.h"

#include "base/RecentFiles.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThreadPool>

#include <algorithm>
#include <cmath>

namespace {

// How long opening may spend reading annotation notes: far more than a deck of a thousand pages
// needs.
constexpr qint64 notesReadingMs = 2000;

} // namespace

Presentation::Presentation(QObject* parent) : Presentation(defaultEngineFactory(), parent) {}

Presentation::Presentation(EngineFactory engines, QObject* parent)
    : QObject(parent), engines(std::move(engines)) {}

struct Presentation::Load {
    // Touched on the main thread only: the Presentation waiting for this load, null once the
    // load is dropped.
    Presentation* owner = nullptr;
    // Set with owner cleared: a slow open gives up (the engine's worker is killed).
    std::atomic_bool dropped = false;
    QUrl url;
    QString password;
    Place place = Place::firstSlide;
    // Written by the loading thread before it hands the load back.
    OpenStatus status = OpenStatus::ok;
    std::unique_ptr<PageEngine> document;
    QList<QSizeF> sizes;
    QStringList labels;
    QByteArray metadata;
    QList<QStringList> notes;

    // On the loading thread: the engine instance and everything the main thread reads from it
    // at once, so that nothing there waits for the file.
    void read(const EngineFactory& engines);
};

Presentation::~Presentation() {
    // The loading thread may go on a while; its result finds nobody and is dropped.
    if (pending) {
        pending->owner = nullptr;
        pending->dropped = true;
    }
}

void Presentation::load(const QUrl& fileUrl, std::function<void(OpenStatus)> done,
                        const QString& password, Place place) {
    if (pending) {
        pending->owner = nullptr;
        pending->dropped = true;
    }
    auto started = std::make_shared<Load>();
    started->owner = this;
    started->url = fileUrl;
    started->password = password;
    started->place = place;
    pending = started;
    pendingDone = std::move(done);
    // A reserved thread starts at once, however busy the pool is; the application waits for the
    // pool's threads when it ends, so a load still running at exit finishes before teardown.
    QThreadPool* threads = QThreadPool::globalInstance();
    threads->reserveThread();
    threads->startOnReservedThread([load = std::move(started), engines = engines,
                                    app = QCoreApplication::instance()]() mutable {
        load->read(engines);
        // Handed over whole: the engine instance and the load are let go on the main thread.
        QMetaObject::invokeMethod(
            app,
            [load = std::move(load)] {
                if (load->owner)
                    load->owner->finish(load);
            },
            Qt::QueuedConnection);
    });
}

QUrl Presentation::loading() const {
    return pending ? pending->url : QUrl();
}

void Presentation::Load::read(const EngineFactory& engines) {
    if (!url.isLocalFile()) {
        status = OpenStatus::notFound;
        return;
    }
    // This instance answers the page count, shape and labels; the renderer's workers open their
    // own, so opening never waits for a render.
    const QString path = url.toLocalFile();
    std::unique_ptr<PageEngine> opened = engines.openCancellable(path, password, &status, &dropped);
    if (opened && opened->pageCount() < 1)
        status = OpenStatus::damaged;
    if (!opened || status != OpenStatus::ok) {
        if (status == OpenStatus::ok)
            status = OpenStatus::damaged;
        return;
    }
    for (qint64 page = 0; page < opened->pageCount(); ++page) {
        sizes.append(opened->pageSize(page));
        labels.append(opened->pageLabel(page));
    }
    metadata = opened->metadata();
    // Every page's note annotations now, off the main thread, so that no slide change waits for
    // the file; then this instance becomes the first render worker's. A file that takes longer
    // than this gives its remaining pages no annotation notes.
    QElapsedTimer reading;
    reading.start();
    for (qint64 page = 0; page < opened->pageCount() && !dropped; ++page) {
        if (reading.elapsed() > notesReadingMs) {
            qWarning("%s: annotation notes read for %lld of %lld pages only", qPrintable(path),
                     page, opened->pageCount());
            break;
        }
        notes.append(opened->noteTexts(page));
    }
    document = std::move(opened);
}

void Presentation::finish(const std::shared_ptr<Load>& load) {
    pending.reset();
    load->owner = nullptr;
    // Taken first: an observer or `done` may start the next load.
    const std::function<void(OpenStatus)> done = std::exchange(pendingDone, {});
    if (load->status == OpenStatus::ok)
        apply(*load);
    if (done)
        done(load->status);
}

void Presentation::apply(Load& load) {
    const QList<QSizeF>& sizes = load.sizes;
    url = load.url;
    pageCount = sizes.size();
    pageSizes = sizes;
    pageAspect = aspectOf(sizes.first());
    notesSide = NotesSide::none;
    aspect = pageAspect;
    pageLabels = load.labels;
    metadata = load.metadata;
    deckEngines = engines.unlockedBy(load.password);
    renderer = std::make_unique<SlideRenderer>(url, sizes, deckEngines, std::move(load.document));
    annotations = load.notes;
    textReader.reset();
    notesPagesRead.clear();
    if (load.place == Place::kept) {
        index = std::clamp<qint64>(index, 0, pageCount - 1);
    } else {
        index = 0;
        blank = Blank::none;
    }
    ++generation;
    if (onOpen)
        onOpen();
    notify();
    RecentFiles::add(url);
    notify();
}

QStringList Presentation::annotationNotes(qint64 page) const {
    return annotations.value(page);
}

QString Presentation::notesPageText(qint64 page) const {
    if (url.isEmpty() || notesSide == NotesSide::none || page < 0 || page >= pageCount)
        return {};
    const auto found = notesPagesRead.constFind(page);
    if (found != notesPagesRead.cend())
        return *found;
    if (!textReader)
        textReader = deckEngines.open(url.toLocalFile(), {}, nullptr);
    const QString text =
        textReader ? textReader->regionText(page, PageSplit::region(notesSide, true)) : QString();
    return *notesPagesRead.insert(page, text);
}

void Presentation::setNotesSide(NotesSide side) {
    if (side == notesSide)
        return;
    notesSide = side;
    notesPagesRead.clear();
    const QRectF half = PageSplit::region(side, false);
    const QSizeF page = pageSizes.value(0);
    aspect = side == NotesSide::none
                 ? pageAspect
                 : aspectOf(QSizeF(page.width() * half.width(), page.height() * half.height()));
    ++generation;
}

PageSplit::Geometry Presentation::geometry(QSize viewPixels, bool notes) const {
    return PageSplit::geometry(notesSide, notes, pageSizes.value(0), viewPixels);
}

void Presentation::goTo(qint64 target) {
    if (pageCount < 1)
        return;
    const qint64 clamped = std::clamp<qint64>(target, 0, pageCount - 1);
    if (clamped == index && blank == Blank::none)
        return;
    index = clamped;
    blank = Blank::none;
    notify();
}

void Presentation::notify() {
    // A copy, so that an observer that adds another one does not disturb this round.
    const QList<std::function<void()>> current = observers;
    for (const auto& observer : current)
        observer();
}

double Presentation::aspectOf(QSizeF displayedSize) {
    const double ratio = displayedSize.width() / displayedSize.height();
    if (!(displayedSize.height() > 0) || !std::isfinite(ratio) || !(ratio > 0))
        return 16.0 / 9.0;
    return ratio;
}
