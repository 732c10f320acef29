#include "document/Deck.h"

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

Deck::Deck(QObject* parent) : Deck(defaultEngineFactory(), parent) {}

Deck::Deck(EngineFactory engines, QObject* parent) : QObject(parent), engines(std::move(engines)) {}

struct Deck::Load {
    // Touched on the main thread only: the Deck waiting for this load, null once the
    // load is dropped.
    Deck* owner = nullptr;
    // Set with owner cleared: a slow open gives up (the engine's worker is killed).
    std::atomic_bool dropped = false;
    QUrl url;
    QString password;
    // Written by the loading thread before it hands the load back.
    OpenStatus status = OpenStatus::ok;
    std::unique_ptr<PageEngine> document;
    QList<QSizeF> sizes;
    QStringList labels;
    QByteArray metadata;
    bool repaired = false;
    QList<QStringList> notes;
    QList<PageNavigation> navigation;

    // On the loading thread: the engine instance and everything the main thread reads from it
    // at once, so that nothing there waits for the file.
    void read(const EngineFactory& engines);
};

Deck::~Deck() {
    // The loading thread may go on a while; its result finds nobody and is dropped.
    if (pending) {
        pending->owner = nullptr;
        pending->dropped = true;
    }
}

void Deck::load(const QUrl& url, std::function<void(OpenStatus)> done, const QString& password) {
    if (pending) {
        pending->owner = nullptr;
        pending->dropped = true;
    }
    auto started = std::make_shared<Load>();
    started->owner = this;
    started->url = url;
    started->password = password;
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

QUrl Deck::loading() const {
    return pending ? pending->url : QUrl();
}

void Deck::Load::read(const EngineFactory& engines) {
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
    // Every page's note annotations and links now, off the main thread, so that no slide change
    // waits for the file; then this instance becomes the first render worker's. A file that takes
    // longer than this gives its remaining pages no annotation notes.
    QElapsedTimer reading;
    reading.start();
    for (qint64 page = 0; page < opened->pageCount() && !dropped; ++page) {
        if (reading.elapsed() > notesReadingMs) {
            qWarning("%s: annotation notes and links read for %lld of %lld pages only",
                     qPrintable(path), page, opened->pageCount());
            break;
        }
        notes.append(opened->noteTexts(page));
        navigation.append(opened->navigation(page));
    }
    repaired = opened->wasRepaired();
    document = std::move(opened);
}

void Deck::finish(const std::shared_ptr<Load>& load) {
    pending.reset();
    load->owner = nullptr;
    // Taken first: an observer or `done` may start the next load.
    const std::function<void(OpenStatus)> done = std::exchange(pendingDone, {});
    if (load->status == OpenStatus::ok)
        apply(*load);
    if (done)
        done(load->status);
}

void Deck::apply(Load& load) {
    fileUrl = load.url;
    sizes = load.sizes;
    labels = load.labels;
    xmp = load.metadata;
    repaired = load.repaired;
    firstPageAspect = aspectOf(sizes.first());
    split = NotesSide::none;
    slideAspect = firstPageAspect;
    deckEngines = engines.unlockedBy(load.password);
    slideRenderer =
        std::make_unique<SlideRenderer>(fileUrl, sizes, deckEngines, std::move(load.document));
    annotations = load.notes;
    pageNavigation = load.navigation;
    textReader.reset();
    notesPagesRead.clear();
    ++opened;
}

QStringList Deck::annotationNotes(qint64 page) const {
    return annotations.value(page);
}

const PageNavigation& Deck::navigation(qint64 page) const {
    static const PageNavigation none;
    return page >= 0 && page < pageNavigation.size() ? pageNavigation.at(page) : none;
}

QString Deck::notesPageText(qint64 page) const {
    if (fileUrl.isEmpty() || split == NotesSide::none || page < 0 || page >= pageCount())
        return {};
    const auto found = notesPagesRead.constFind(page);
    if (found != notesPagesRead.cend())
        return *found;
    if (!textReader)
        textReader = deckEngines.open(fileUrl.toLocalFile(), {}, nullptr);
    const QString text =
        textReader ? textReader->regionText(page, PageSplit::region(split, true)) : QString();
    return *notesPagesRead.insert(page, text);
}

void Deck::setNotesSide(NotesSide side) {
    if (side == split)
        return;
    split = side;
    notesPagesRead.clear();
    const QRectF half = PageSplit::region(side, false);
    const QSizeF page = sizes.value(0);
    slideAspect =
        side == NotesSide::none
            ? firstPageAspect
            : aspectOf(QSizeF(page.width() * half.width(), page.height() * half.height()));
    ++opened;
}

PageSplit::Geometry Deck::geometry(QSize viewPixels, bool notes) const {
    return PageSplit::geometry(split, notes, sizes.value(0), viewPixels);
}

double Deck::aspectOf(QSizeF displayedSize) {
    const double ratio = displayedSize.width() / displayedSize.height();
    if (!(displayedSize.height() > 0) || !std::isfinite(ratio) || !(ratio > 0))
        return 16.0 / 9.0;
    return ratio;
}
