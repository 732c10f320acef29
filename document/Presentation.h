// The one open slide deck: its file, pages, slide shape, current slide and audience-screen state.
#pragma once

#include "document/Blank.h"
#include "document/PageSplit.h"
#include "engine/PageEngine.h"
#include "render/SlideRenderer.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSizeF>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>

// A QObject so that views can hold it through QPointer and see it vanish with the controller.
class Presentation : public QObject {
    Q_OBJECT

public:
    explicit Presentation(QObject* parent = nullptr);
    // Tests hand in a scripted engine.
    explicit Presentation(EngineFactory engines, QObject* parent = nullptr);
    ~Presentation() override;

    // Where a newly loaded deck starts: its first slide, unblanked; or (a reload of the same deck)
    // the current slide, clamped, and its blanking.
    enum class Place { firstSlide, kept };
    // Opens `url` on a thread of its own and returns at once; a load still pending is dropped.
    // Once the file's pages are known the deck is replaced on the main thread (onOpen, observers,
    // recent files) and `done` hears OpenStatus::ok; on failure nothing changes and `done` says
    // why. A dropped load is never applied and its `done` never called, nor is anything once the
    // Presentation is gone. `password` unlocks an encrypted file; it is kept in memory only, for
    // the renderer's own copy of the document.
    void load(const QUrl& url, std::function<void(OpenStatus)> done, const QString& password = {},
              Place place = Place::firstSlide);
    // The file being loaded; empty when none is.
    QUrl loading() const;
    // Makes the clamped slide current and ends blanking; silent when that changes nothing.
    void goTo(qint64 index);
    // Calls every observer once, in the order they were added.
    void notify();

    // The contents of the page's note annotations, read at open.
    QStringList annotationNotes(qint64 page) const;
    // On notes pages, the text of the page's notes half, read on first use from an instance of the
    // file opened for it; else empty.
    QString notesPageText(qint64 page) const;

    // Which half of every page holds the notes (none: the whole page is the slide). Sets the
    // slide's aspect and makes every view draw again once the caller notifies.
    void setNotesSide(NotesSide side);
    // How a view of `viewPixels` shows the slide of the current page (or its notes half).
    PageSplit::Geometry geometry(QSize viewPixels, bool notes = false) const;

    // Width over height of a page as displayed, 16/9 when the height gives no usable ratio.
    static double aspectOf(QSizeF displayedSize);

    const EngineFactory engines;
    QUrl url; // empty until the first successful open
    qint64 pageCount = 0;
    // The file's page labels ("iii", "A-2"), one per page; empty where it has none.
    QStringList pageLabels;
    // The file's XMP metadata packet, read at open; empty where it has none.
    QByteArray metadata;
    std::unique_ptr<SlideRenderer> renderer;
    // Called once a new deck's pages are known, before any observer hears of it: the controller
    // reads the notes and chooses the notes side here.
    std::function<void()> onOpen;
    QList<QSizeF> pageSizes;
    double pageAspect = 16.0 / 9.0;
    NotesSide notesSide = NotesSide::none;
    // The slide's shape: the page's, or its slide half's.
    double aspect = 16.0 / 9.0;
    qint64 index = 0;
    Blank blank = Blank::none;
    bool isPresenting = false;
    QList<std::function<void()>> observers;
    // Counts successful opens and notes-side changes, so views can tell an image of the pages as
    // they were from one of the pages as they are.
    quint64 generation = 0;

private:
    struct Load;
    // On the main thread, once the loading thread has handed `load` back.
    void finish(const std::shared_ptr<Load>& load);
    void apply(Load& load);

    std::shared_ptr<Load> pending;
    std::function<void(OpenStatus)> pendingDone;
    // The open deck's engines, unlocked with its password.
    EngineFactory deckEngines;
    QList<QStringList> annotations;
    mutable std::unique_ptr<PageEngine> textReader;
    mutable QHash<qint64, QString> notesPagesRead;
};
