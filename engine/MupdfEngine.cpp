#include "engine/MupdfEngine.h"

#include "engine/DeckFile.h"
#include "engine/MupdfCancelRelay.h"
#include "engine/MupdfContext.h"
#include "engine/MupdfDisplayLists.h"
#include "engine/MupdfMedia.h"
#include "engine/MupdfMetadata.h"
#include "engine/MupdfNavigation.h"
#include "engine/MupdfPageLabels.h"

#include <QThread>
#include <QtDebug>

#include <mupdf/fitz.h>
#include <mupdf/pdf.h>

#include <algorithm>
#include <cmath>
#include <optional>

#include <unistd.h>

namespace {

// Beyond this a pixmap row or column count no longer fits the image formats downstream.
constexpr int maximumSide = 32767;

bool isCancelled(const std::atomic_bool* cancel) {
    return cancel && cancel->load();
}

// The annotations that hold the speaker's notes: read out as notes and never drawn, as the
// .pdfpc tools and the LaTeX packages that write them expect.
bool isNote(enum pdf_annot_type type) {
    return type == PDF_ANNOT_TEXT || type == PDF_ANNOT_FREE_TEXT || type == PDF_ANNOT_HIGHLIGHT ||
           type == PDF_ANNOT_UNDERLINE || type == PDF_ANNOT_SQUIGGLY;
}

// The page's contents, its annotations except the notes (which the speaker reads rather than the
// audience), and its form fields, in page space. Null on failure, with the reason in `message`.
fz_display_list* interpret(fz_context* context, pdf_document* document, int number,
                           fz_cookie* cookie, QByteArray* message) {
    fz_page* page = nullptr;
    fz_display_list* list = nullptr;
    fz_device* device = nullptr;
    fz_var(page);
    fz_var(list);
    fz_var(device);
    fz_try(context) {
        page = fz_load_page(context, &document->super, number);
        list = fz_new_display_list(context, fz_bound_page(context, page));
        device = fz_new_list_device(context, list);
        fz_run_page_contents(context, page, device, fz_identity, cookie);
        for (pdf_annot* annot = pdf_first_annot(context, reinterpret_cast<pdf_page*>(page)); annot;
             annot = pdf_next_annot(context, annot)) {
            if (!isNote(pdf_annot_type(context, annot)))
                pdf_run_annot(context, annot, device, fz_identity, cookie);
        }
        fz_run_page_widgets(context, page, device, fz_identity, cookie);
        fz_close_device(context, device);
    }
    fz_always(context) {
        fz_drop_device(context, device);
        fz_drop_page(context, page);
    }
    fz_catch(context) {
        fz_drop_display_list(context, list);
        *message = fz_caught_message(context);
        return nullptr;
    }
    if (cookie->abort) {
        // An interrupted list misses part of the page: never keep it.
        fz_drop_display_list(context, list);
        return nullptr;
    }
    return list;
}

// The page as displayed, in points, or an empty size when its dictionary cannot be read; nullopt
// when the page tree has no such page (a count that promises more pages than there are).
std::optional<QSizeF> displayedSize(fz_context* context, pdf_document* document, int number) {
    fz_rect bounds = fz_empty_rect;
    bool found = false;
    fz_var(found);
    fz_try(context) {
        pdf_obj* const page = pdf_lookup_page_obj(context, document, number);
        found = page != nullptr;
        fz_rect box;
        fz_matrix transform;
        if (found) {
            pdf_page_obj_transform(context, page, &box, &transform);
            bounds = fz_transform_rect(box, transform);
        }
    }
    fz_catch(context) {
        if (!found)
            return std::nullopt;
        return QSizeF();
    }
    if (!found)
        return std::nullopt;
    return QSizeF(bounds.x1 - bounds.x0, bounds.y1 - bounds.y0);
}

bool usable(QSizeF size) {
    return size.width() > 0 && size.height() > 0 && std::isfinite(size.width()) &&
           std::isfinite(size.height());
}

} // namespace

MupdfEngine::~MupdfEngine() {
    if (lists)
        lists->leave(context);
    if (pageTree)
        pdf_drop_page_tree(context, document);
    if (document)
        pdf_drop_document(context, document);
    fz_drop_context(context);
    if (file)
        fclose(file);
}

std::unique_ptr<MupdfEngine> MupdfEngine::open(const QString& path, const QString& password,
                                               OpenStatus* status) {
    const int fd = DeckFile::open(path, status);
    return fd < 0 ? nullptr : open(fd, path, password, status);
}

std::unique_ptr<MupdfEngine> MupdfEngine::open(int fd, const QString& path, const QString& password,
                                               OpenStatus* status) {
    const auto fail = [status](OpenStatus value) {
        if (status)
            *status = value;
        return nullptr;
    };
    if (!DeckFile::looksLikePdf(fd)) {
        close(fd);
        return fail(OpenStatus::notPdf);
    }

    std::unique_ptr<MupdfEngine> engine(new MupdfEngine);
    engine->path = path;
    engine->file = fdopen(fd, "rb");
    if (!engine->file) {
        close(fd);
        return fail(OpenStatus::damaged);
    }
    // MuPDF reads on from where the descriptor is: where a worker started before left it.
    rewind(engine->file);
    fz_context* const context = engine->context = MupdfContext::clone();
    if (!context)
        return fail(OpenStatus::damaged);
    const QByteArray secret = password.toUtf8();
    fz_stream* stream = nullptr;
    pdf_document* document = nullptr;
    bool locked = false;
    int count = 0;
    fz_var(stream);
    fz_var(document);
    fz_var(locked);
    fz_var(count);
    fz_try(context) {
        // Opening repairs a broken cross-reference table by scanning the file for objects. The
        // document keeps its own reference to the stream.
        stream = fz_open_file_ptr_no_close(context, engine->file);
        document = pdf_open_document_with_stream(context, stream);
        // The empty password has been tried already; only a real one can unlock the file now.
        locked = pdf_needs_password(context, document) &&
                 !pdf_authenticate_password(context, document, secret.constData());
        if (!locked)
            count = pdf_count_pages(context, document);
    }
    fz_always(context) {
        fz_drop_stream(context, stream);
    }
    fz_catch(context) {
        engine->document = document;
        qWarning("%s: %s", qPrintable(path), fz_caught_message(context));
        return fail(OpenStatus::damaged);
    }
    engine->document = document;
    if (locked)
        return fail(password.isEmpty() ? OpenStatus::needsPassword : OpenStatus::wrongPassword);
    if (count < 1)
        return fail(OpenStatus::damaged);

    // One walk of the page tree, so that finding a page is a lookup rather than a walk: without
    // it, reading the sizes of a deck of 20,000 pages takes many seconds.
    fz_try(context) {
        pdf_load_page_tree(context, document);
        engine->pageTree = true;
    }
    fz_catch(context) {
        qWarning("%s: %s", qPrintable(path), fz_caught_message(context));
    }
    QSizeF fallback;
    int found = 0;
    for (int page = 0; page < count; ++page) {
        const std::optional<QSizeF> size = displayedSize(context, document, page);
        engine->pageSizes.append(size.value_or(QSizeF()));
        if (size)
            found = page + 1;
        if (!fallback.isValid() && size && usable(*size))
            fallback = *size;
    }
    // A count that promises more pages than the tree holds lies: the pages are not there. One
    // broken page at the end is a page (it shows white).
    if (count - found > found) {
        engine->pageSizes.resize(found);
        count = found;
    }
    if (count < 1)
        return fail(OpenStatus::damaged);
    // A page whose size cannot be read takes the deck's shape, so that it shows as a white page.
    for (QSizeF& size : engine->pageSizes) {
        if (!usable(size))
            size = fallback.isValid() ? fallback : QSizeF(1280, 720);
    }
    engine->labels = MupdfPageLabels::read(context, document, count);
    // Reading the pages above may have repaired the file too, not only opening it.
    engine->repaired = pdf_was_repaired(context, document) != 0;
    engine->lists = MupdfDisplayLists::forFile(fileno(engine->file));
    if (status)
        *status = OpenStatus::ok;
    return engine;
}

QSizeF MupdfEngine::pageSize(qint64 page) const {
    return pageSizes.value(page);
}

QString MupdfEngine::pageLabel(qint64 page) const {
    return labels.value(page);
}

QStringList MupdfEngine::noteTexts(qint64 number) const {
    if (number < 0 || number >= pageCount())
        return {};
    QStringList notes;
    pdf_page* page = nullptr;
    fz_var(page);
    fz_try(context) {
        page = pdf_load_page(context, document, int(number));
        for (pdf_annot* annot = pdf_first_annot(context, page); annot;
             annot = pdf_next_annot(context, annot)) {
            if (!isNote(pdf_annot_type(context, annot)))
                continue;
            const char* const contents = pdf_annot_contents(context, annot);
            if (contents && *contents)
                notes.append(QString::fromUtf8(contents));
        }
    }
    fz_always(context) {
        fz_drop_page(context, reinterpret_cast<fz_page*>(page));
    }
    fz_catch(context) {
        logFailure(int(number), fz_caught_message(context));
    }
    return notes;
}

QByteArray MupdfEngine::metadata() const {
    return MupdfMetadata::read(context, document, maximumMetadataBytes);
}

QList<MediaLink> MupdfEngine::pageMedia(qint64 number) const {
    if (number < 0 || number >= pageCount())
        return {};
    return MupdfMedia::read(context, document, int(number));
}

int MupdfEngine::mediaFile(qint64 number, int index) const {
    if (number < 0 || number >= pageCount())
        return -1;
    return MupdfMedia::extract(context, document, int(number), index, MediaLink::maximumFileBytes);
}

QString MupdfEngine::regionText(qint64 number, QRectF region) const {
    if (number < 0 || number >= pageCount())
        return {};
    QString text;
    fz_page* page = nullptr;
    fz_stext_page* words = nullptr;
    char* copied = nullptr;
    fz_var(page);
    fz_var(words);
    fz_var(copied);
    fz_try(context) {
        page = fz_load_page(context, &document->super, int(number));
        const fz_rect bounds = fz_bound_page(context, page);
        const double width = bounds.x1 - bounds.x0;
        const double height = bounds.y1 - bounds.y0;
        words = fz_new_stext_page_from_page(context, page, nullptr);
        copied = fz_copy_rectangle(context, words,
                                   fz_make_rect(float(bounds.x0 + region.left() * width),
                                                float(bounds.y0 + region.top() * height),
                                                float(bounds.x0 + region.right() * width),
                                                float(bounds.y0 + region.bottom() * height)),
                                   0);
        text = QString::fromUtf8(copied);
    }
    fz_always(context) {
        fz_free(context, copied);
        fz_drop_stext_page(context, words);
        fz_drop_page(context, page);
    }
    fz_catch(context) {
        logFailure(int(number), fz_caught_message(context));
    }
    return text.trimmed();
}

PageNavigation MupdfEngine::navigation(qint64 number) const {
    if (number < 0 || number >= pageCount())
        return {};
    return MupdfNavigation::read(context, document, int(number));
}

fz_display_list* MupdfEngine::displayList(int page, const std::atomic_bool* cancel) const {
    return lists->obtain(
        context, page,
        [this, page, cancel]() -> fz_display_list* {
            fz_cookie cookie{};
            const MupdfCancelRelay relay(cancel, &cookie.abort);
            QByteArray message;
            fz_display_list* const list = interpret(context, document, page, &cookie, &message);
            if (!list && !message.isEmpty())
                logFailure(page, message.constData());
            return list;
        },
        cancel);
}

bool MupdfEngine::readPage(qint64 number, const std::atomic_bool* cancel) const {
    if (number >= 0 && number < pageCount())
        fz_drop_display_list(context, displayList(int(number), cancel));
    return true;
}

QImage MupdfEngine::drawPage(qint64 number, QSize pixelSize, QRectF region,
                             const std::atomic_bool* cancel) const {
    return draw(number, pixelSize, region, 0, pixelSize.height(), cancel);
}

QImage MupdfEngine::drawRows(qint64 number, QSize pixelSize, int top, int bottom,
                             const std::atomic_bool* cancel) const {
    return draw(number, pixelSize, QRectF(0, 0, 1, 1), top, bottom, cancel);
}

QImage MupdfEngine::draw(qint64 number, QSize pixelSize, QRectF region, int top, int bottom,
                         const std::atomic_bool* cancel) const {
    if (number < 0 || number >= pageCount() || pixelSize.isEmpty() ||
        pixelSize.width() > maximumSide || pixelSize.height() > maximumSide ||
        !(region.width() > 0) || !(region.height() > 0) || top < 0 || bottom <= top ||
        bottom > pixelSize.height() || isCancelled(cancel))
        return {};
    const int page = int(number);
    const int width = pixelSize.width();
    const int height = pixelSize.height();
    const QSize bandSize(width, bottom - top);
    QImage image = newImage(bandSize);
    if (image.isNull())
        return {};
    fz_display_list* const list = displayList(page, cancel);
    if (!list)
        return isCancelled(cancel) ? QImage() : whitePage(bandSize);

    fz_cookie cookie{};
    const MupdfCancelRelay relay(cancel, &cookie.abort);
    fz_pixmap* pixmap = nullptr;
    fz_device* device = nullptr;
    bool failed = false;
    fz_var(pixmap);
    fz_var(device);
    fz_var(failed);
    // Outside the fz_try: MuPDF's errors jump past the destructors inside it.
    const MupdfContext::WholeImages whole(top > 0 || bottom < height);
    fz_try(context) {
        // The image's own memory, as premultiplied BGRA: on little-endian machines the byte
        // order of QImage's 32-bit formats. Opaque white first, so the page lands on white.
        // A band is the whole draw's pixmap cut to its rows, so its pixels are those of the whole.
        pixmap = fz_new_pixmap_with_bbox_and_data(context, fz_device_bgr(context),
                                                  fz_make_irect(0, top, width, bottom), nullptr, 1,
                                                  image.bits());
        fz_clear_pixmap_with_value(context, pixmap, 255);
        const fz_rect bounds = fz_bound_display_list(context, list);
        const double pageWidth = bounds.x1 - bounds.x0;
        const double pageHeight = bounds.y1 - bounds.y0;
        const double scaleX = width / (region.width() * pageWidth);
        const double scaleY = height / (region.height() * pageHeight);
        const fz_matrix transform =
            fz_make_matrix(float(scaleX), 0, 0, float(scaleY),
                           float(-(bounds.x0 + region.x() * pageWidth) * scaleX),
                           float(-(bounds.y0 + region.y() * pageHeight) * scaleY));
        device = fz_new_draw_device(context, fz_identity, pixmap);
        fz_run_display_list(context, list, device, transform,
                            fz_make_rect(0, float(top), float(width), float(bottom)), &cookie);
        fz_close_device(context, device);
    }
    fz_always(context) {
        fz_drop_device(context, device);
        fz_drop_pixmap(context, pixmap);
        fz_drop_display_list(context, list);
    }
    fz_catch(context) {
        failed = true;
        logFailure(page, fz_caught_message(context));
    }
    if (cookie.abort || isCancelled(cancel))
        return {};
    return failed ? whitePage(bandSize) : image;
}

QImage MupdfEngine::newImage(QSize size) const {
    return allocate ? allocate(size, QImage::Format_RGB32) : QImage(size, QImage::Format_RGB32);
}

QImage MupdfEngine::whitePage(QSize size) const {
    QImage image = newImage(size);
    if (!image.isNull())
        image.fill(Qt::white);
    return image;
}

void MupdfEngine::logFailure(int page, const char* what) const {
    if (lists->firstFailure(page))
        qWarning("%s: page %d: %s", qPrintable(path), page + 1, what);
}

// MuPDF draws on every core at once: one engine per core, at least two.
EngineFactory MupdfEngine::factory() {
    EngineFactory factory;
    factory.workers = std::max(2, QThread::idealThreadCount());
    factory.open = [](const QString& path, const QString& password, OpenStatus* status) {
        return std::unique_ptr<PageEngine>(MupdfEngine::open(path, password, status));
    };
    return factory;
}
