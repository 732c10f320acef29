// The MuPDF page engine: one opened document on a context of its own, used only by the thread that
// opened it; page count, sizes and labels are read once at open.
#pragma once

#include "engine/PageEngine.h"

#include <QList>

#include <cstdio>

#include <memory>

struct fz_context;
struct fz_display_list;
struct pdf_document;
class MupdfDisplayLists;

class MupdfEngine : public PageEngine {
public:
    ~MupdfEngine() override;

    // Damaged files are repaired where MuPDF can; an encrypted file opens with `password` (the
    // empty one is always tried first).
    static std::unique_ptr<MupdfEngine> open(const QString& path, const QString& password = {},
                                             OpenStatus* status = nullptr);
    // The same from a descriptor the engine owns from then on and reads only through (a worker
    // that may open no files); `name` is the file's path, for messages.
    static std::unique_ptr<MupdfEngine> open(int fd, const QString& name, const QString& password,
                                             OpenStatus* status);

    // The engine in this process, one instance per thread: what a worker process runs.
    static EngineFactory factory();

    void setImageAllocator(ImageAllocator allocator) override { allocate = std::move(allocator); }
    qint64 pageCount() const override { return pageSizes.size(); }
    QSizeF pageSize(qint64 page) const override;
    QString pageLabel(qint64 page) const override;
    QStringList noteTexts(qint64 page) const override;
    QByteArray metadata() const override;
    bool wasRepaired() const override { return repaired; }
    QString regionText(qint64 page, QRectF region) const override;
    PageNavigation navigation(qint64 page) const override;
    QList<MediaLink> pageMedia(qint64 page) const override;
    int mediaFile(qint64 page, int index) const override;
    // Builds the page's display list, shared with the draws that follow.
    bool readPage(qint64 page, const std::atomic_bool* cancel = nullptr) const override;
    // A page that MuPDF cannot draw comes back white (and is logged once); null only for an
    // impossible request, a failed allocation or a cancelled draw. The image is opaque: the page is
    // drawn over white, which is what a transparent page shows.
    QImage drawPage(qint64 page, QSize pixelSize, QRectF region = QRectF(0, 0, 1, 1),
                    const std::atomic_bool* cancel = nullptr) const override;
    // Exactly those rows of drawPage's image: the draw is clipped, not moved.
    QImage drawRows(qint64 page, QSize pixelSize, int top, int bottom,
                    const std::atomic_bool* cancel = nullptr) const override;
    QByteArray writeWithInk(const QList<InkStroke>& ink) const override;

private:
    MupdfEngine() = default;

    QImage newImage(QSize size) const;
    QImage whitePage(QSize size) const;
    QImage draw(qint64 page, QSize pixelSize, QRectF region, int top, int bottom,
                const std::atomic_bool* cancel) const;

    fz_display_list* displayList(int page, const std::atomic_bool* cancel) const;
    void logFailure(int page, const char* what) const;

    fz_context* context = nullptr;
    FILE* file = nullptr;
    pdf_document* document = nullptr;
    std::shared_ptr<MupdfDisplayLists> lists;
    QString path;
    QList<QSizeF> pageSizes;
    QStringList labels;
    bool repaired = false;
    ImageAllocator allocate;
    // Dropped by an export that puts pages in, which would leave it stale.
    mutable bool pageTree = false;
};
