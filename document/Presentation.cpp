#include "document/Presentation.h"

#include "base/RecentFiles.h"

#include <algorithm>
#include <cmath>

Presentation::Presentation(QObject* parent) : Presentation(defaultEngineFactory(), parent) {}

Presentation::Presentation(EngineFactory engines, QObject* parent)
    : QObject(parent), engines(std::move(engines)) {}

Presentation::~Presentation() = default;

bool Presentation::open(const QUrl& fileUrl, OpenStatus* status, const QString& password) {
    if (!fileUrl.isLocalFile()) {
        if (status)
            *status = OpenStatus::notFound;
        return false;
    }
    // This copy, on its own engine instance, answers the page count, shape and labels; the
    // renderer's workers open their own, so opening never waits for a render.
    OpenStatus opened = OpenStatus::ok;
    std::unique_ptr<PageEngine> document = engines.open(fileUrl.toLocalFile(), password, &opened);
    if (document && document->pageCount() < 1)
        opened = OpenStatus::damaged;
    if (status)
        *status = opened;
    if (!document || opened != OpenStatus::ok)
        return false;
    QList<QSizeF> sizes;
    for (qint64 page = 0; page < document->pageCount(); ++page)
        sizes.append(document->pageSize(page));
    url = fileUrl;
    pageCount = document->pageCount();
    pageSizes = sizes;
    pageAspect = aspectOf(sizes.first());
    notesSide = NotesSide::none;
    aspect = pageAspect;
    pageLabels.clear();
    for (qint64 page = 0; page < pageCount; ++page)
        pageLabels.append(document->pageLabel(page));
    EngineFactory unlocking = engines;
    if (!password.isEmpty()) {
        unlocking.open = [open = engines.open, password](const QString& path, const QString&,
                                                         OpenStatus* opened) {
            return open(path, password, opened);
        };
        if (engines.openUnless)
            unlocking.openUnless = [open = engines.openUnless,
                                    password](const QString& path, const QString&,
                                              OpenStatus* opened, const std::atomic_bool* cancel) {
                return open(path, password, opened, cancel);
            };
    }
    renderer = std::make_unique<SlideRenderer>(fileUrl, sizes, unlocking);
    reader = std::move(document);
    annotationsRead.clear();
    notesPagesRead.clear();
    index = 0;
    blank = Blank::none;
    ++generation;
    if (onOpen)
        onOpen();
    notify();
    RecentFiles::add(fileUrl);
    notify();
    return true;
}

QStringList Presentation::annotationNotes(qint64 page) const {
    if (!reader || page < 0 || page >= pageCount)
        return {};
    const auto found = annotationsRead.constFind(page);
    if (found != annotationsRead.cend())
        return *found;
    return *annotationsRead.insert(page, reader->noteTexts(page));
}

QString Presentation::notesPageText(qint64 page) const {
    if (!reader || notesSide == NotesSide::none || page < 0 || page >= pageCount)
        return {};
    const auto found = notesPagesRead.constFind(page);
    if (found != notesPagesRead.cend())
        return *found;
    return *notesPagesRead.insert(page,
                                  reader->regionText(page, PageSplit::region(notesSide, true)));
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
