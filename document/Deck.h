// The open slide deck: its file, pages, labels, slide shape and notes half, and its renderer.
#pragma once

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

// A QObject so that views can hold it through QPointer and see it vanish with its owner.
class Deck : public QObject {
    Q_OBJECT

public:
    explicit Deck(QObject* parent = nullptr);
    // Tests hand in a scripted engine.
    explicit Deck(EngineFactory engines, QObject* parent = nullptr);
    ~Deck() override;

    // Opens `url` on a thread of its own and returns at once; a load still pending is dropped.
    // Once the file's pages are known the deck is replaced on the main thread and `done` hears
    // OpenStatus::ok; on failure nothing changes and `done` says why. A dropped load is never
    // applied and its `done` never called, nor is anything once the Deck is gone. `password`
    // unlocks an encrypted file; it is kept in memory only, for the renderer's own copy.
    void load(const QUrl& url, std::function<void(OpenStatus)> done, const QString& password = {});
    // The file being loaded; empty when none is.
    QUrl loading() const;

    QUrl url() const { return fileUrl; } // empty until the first successful open
    qint64 pageCount() const { return pageSizes().size(); }
    // The pages as displayed, in points.
    const QList<QSizeF>& pageSizes() const { return sizes; }
    // The file's page labels ("iii", "A-2"), one per page; empty where it has none.
    const QStringList& pageLabels() const { return labels; }
    // The file's XMP metadata packet, read at open; empty where it has none.
    const QByteArray& metadata() const { return xmp; }
    // The file was damaged and opened only once repaired: content may be missing.
    bool wasRepaired() const { return repaired; }
    SlideRenderer* renderer() const { return slideRenderer.get(); }
    // Engines that open the deck's file, unlocked with its password: for work beside the views'.
    const EngineFactory& openEngines() const { return deckEngines; }
    // Width over height of the first page as displayed.
    double pageAspect() const { return firstPageAspect; }
    // The slide's shape: the page's, or its slide half's.
    double aspect() const { return slideAspect; }
    NotesSide notesSide() const { return split; }
    // Counts successful opens and notes-side changes, so views can tell an image of the pages as
    // they were from one of the pages as they are.
    quint64 generation() const { return opened; }
    // Opens instances of the open deck's file, unlocked with its password, for readers of
    // their own.
    const EngineFactory& unlockedEngines() const { return deckEngines; }

    // The contents of the page's note annotations, read at open.
    QStringList annotationNotes(qint64 page) const;
    // The page's links, transition and display time, read at open; none for another page.
    const PageNavigation& navigation(qint64 page) const;
    // On notes pages, the text of the page's notes half, read on first use from an instance of the
    // file opened for it; else empty.
    QString notesPageText(qint64 page) const;

    // Which half of every page holds the notes (none: the whole page is the slide). Sets the
    // slide's aspect; views draw again at their next refresh.
    void setNotesSide(NotesSide side);
    // How a view of `viewPixels` shows the slide of a page (or its notes half).
    PageSplit::Geometry geometry(QSize viewPixels, bool notes = false) const;

    // Width over height of a page as displayed, 16/9 when the height gives no usable ratio.
    static double aspectOf(QSizeF displayedSize);

private:
    struct Load;
    // On the main thread, once the loading thread has handed `load` back.
    void finish(const std::shared_ptr<Load>& load);
    void apply(Load& load);

    const EngineFactory engines;
    QUrl fileUrl;
    QList<QSizeF> sizes;
    QStringList labels;
    QByteArray xmp;
    bool repaired = false;
    std::unique_ptr<SlideRenderer> slideRenderer;
    double firstPageAspect = 16.0 / 9.0;
    double slideAspect = 16.0 / 9.0;
    NotesSide split = NotesSide::none;
    quint64 opened = 0;

    std::shared_ptr<Load> pending;
    std::function<void(OpenStatus)> pendingDone;
    // The open deck's engines, unlocked with its password.
    EngineFactory deckEngines;
    QList<QStringList> annotations;
    QList<PageNavigation> pageNavigation;
    mutable std::unique_ptr<PageEngine> textReader;
    mutable QHash<qint64, QString> notesPagesRead;
};
