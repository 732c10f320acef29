// The seam between the render pipeline and a PDF engine: what a render worker and the deck loader
// use.
#pragma once

#include "engine/InkStroke.h"
#include "engine/PageNavigation.h"
#include "engine/MediaLink.h"

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>

// Why a deck could not be opened, so the caller can say so in words the speaker understands.
enum class OpenStatus {
    ok,
    notFound,
    permissionDenied,
    notPdf,
    damaged,
    needsPassword,
    wrongPassword
};

// One opened document of one engine: one instance per thread or worker process, never used by
// two threads at once. A render worker's instance mostly stays on the thread that opened it; the
// deck loader's is opened on a loading thread and then handed over whole to the first render
// worker, so an engine must allow an instance to move to another thread between calls.
class PageEngine {
public:
    // Where an engine puts the pixels it draws (plain heap images unless set): a worker process
    // draws into shared memory this way, so its images reach the program uncopied.
    using ImageAllocator = std::function<QImage(QSize, QImage::Format)>;

    virtual ~PageEngine() = default;
    virtual void setImageAllocator(ImageAllocator) {}
    virtual qint64 pageCount() const = 0;
    // The page as displayed, in points: the crop box with the page rotation applied.
    virtual QSizeF pageSize(qint64 page) const = 0;
    // Page labels ("iii", "4a") where the file has them, else empty.
    virtual QString pageLabel(qint64 page) const = 0;
    // Contents of the page's note annotations (Text, FreeText, Highlight, Underline, Squiggly) in
    // the page's order; these are not drawn.
    virtual QStringList noteTexts(qint64 page) const = 0;
    // The document's XMP metadata packet as stored; empty where it has none or it is longer than
    // maximumMetadataBytes (such a packet is no one's metadata, and is not read).
    virtual QByteArray metadata() const { return {}; }
    // The file was damaged and opened only after the engine rebuilt its structure: pages or
    // parts of them may be missing.
    virtual bool wasRepaired() const { return false; }
    static constexpr qsizetype maximumMetadataBytes = qsizetype(4) << 20;
    // The text within `region` (0..1 page coordinates, top-left origin) as read from the page:
    // what a notes page's notes half says. Empty where the engine cannot tell.
    virtual QString regionText(qint64, QRectF) const { return {}; }
    // The page's links, transition and display time; none where the engine cannot tell.
    virtual PageNavigation navigation(qint64) const { return {}; }
    // The clips and sounds the page names, in its order; empty where it has none.
    virtual QList<MediaLink> pageMedia(qint64) const { return {}; }
    // A memfd holding entry `index` of pageMedia(page) where it is embedded in the file, owned by
    // the caller; -1 where it is not, cannot be read or is larger than
    // MediaLink::maximumFileBytes.
    virtual int mediaFile(qint64, int) const { return -1; }
    // Reads the page ahead of its draws where the engine keeps what it read, so that the caller
    // learns what reading costs before it chooses how to draw. False only when the engine failed
    // (a worker that crashed or hung); a page that cannot be read is drawn white later.
    virtual bool readPage(qint64, const std::atomic_bool* = nullptr) const { return true; }
    // `region` (in 0..1 page coordinates, top-left origin; (0,0,1,1) = whole page) drawn at exactly
    // `pixelSize` on a transparent background, or as an opaque image when the engine lays the page
    // over white itself; null on failure. `cancel`, when set, is polled and a cancelled draw
    // returns a null image.
    virtual QImage drawPage(qint64 page, QSize pixelSize, QRectF region = QRectF(0, 0, 1, 1),
                            const std::atomic_bool* cancel = nullptr) const = 0;
    // The document with `ink` added as ink annotations, written as a new PDF file; empty where
    // the engine cannot write one. The instance's own document keeps the annotations, so an export
    // uses an instance opened for it.
    virtual QByteArray writeWithInk(const QList<InkStroke>&) const { return {}; }
    // Rows [top, bottom) of the whole page drawn at `pixelSize`: a band, so that several
    // instances can share one large draw. An engine that can clip draws exactly those rows of the
    // whole image; this fallback draws the matching region.
    virtual QImage drawRows(qint64 page, QSize pixelSize, int top, int bottom,
                            const std::atomic_bool* cancel = nullptr) const {
        const double height = pixelSize.height();
        return drawPage(page, QSize(pixelSize.width(), bottom - top),
                        QRectF(0, top / height, 1, (bottom - top) / height), cancel);
    }
};

// How a deck's engines are made: `workers` instances may draw at once (1 for an engine that
// serialises its calls; one per core, at least two, for MuPDF).
struct EngineFactory {
    int workers = 1;
    std::function<std::unique_ptr<PageEngine>(const QString& path, const QString& password,
                                              OpenStatus* status)>
        open;
    // Where set, an open that gives up once `cancel` is set, so that closing a deck never waits
    // for a slow load in a render worker.
    std::function<std::unique_ptr<PageEngine>(const QString& path, const QString& password,
                                              OpenStatus* status, const std::atomic_bool* cancel)>
        openUnless;

    // Opens through `openUnless` where the engine has it, else through `open`.
    std::unique_ptr<PageEngine> openCancellable(const QString& path, const QString& password,
                                                OpenStatus* status,
                                                const std::atomic_bool* cancel) const {
        return openUnless ? openUnless(path, password, status, cancel)
                          : open(path, password, status);
    }

    // The same factory, opening every file with `password`.
    EngineFactory unlockedBy(const QString& password) const {
        if (password.isEmpty())
            return *this;
        EngineFactory unlocking = *this;
        unlocking.open = [open = open, password](const QString& path, const QString&,
                                                 OpenStatus* status) {
            return open(path, password, status);
        };
        if (openUnless)
            unlocking.openUnless = [open = openUnless, password](const QString& path,
                                                                 const QString&, OpenStatus* status,
                                                                 const std::atomic_bool* cancel) {
                return open(path, password, status, cancel);
            };
        return unlocking;
    }
};

// The production engine: MuPDF in worker processes.
EngineFactory defaultEngineFactory();
