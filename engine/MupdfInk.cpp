// The MuPDF engine's export: the speaker's ink as ink annotations in a copy of the document.
#include "engine/MupdfEngine.h"

#include <QtDebug>

#include <mupdf/fitz.h>
#include <mupdf/pdf.h>

#include <algorithm>
#include <map>
#include <vector>

namespace {

// One stroke as an ink annotation, in the page space that fz_bound_page gives `bounds` in: MuPDF
// turns it into the PDF's own space, rotation and crop box included.
void addInk(fz_context* context, pdf_page* page, fz_rect bounds, const InkStroke& stroke) {
    const float width = bounds.x1 - bounds.x0;
    const float height = bounds.y1 - bounds.y0;
    std::vector<fz_point> points;
    points.reserve(size_t(stroke.points.size()));
    for (const QPointF& point : stroke.points)
        points.push_back(
            {float(bounds.x0 + point.x() * width), float(bounds.y0 + point.y() * height)});
    const float rgb[3] = {float(stroke.colour.redF()), float(stroke.colour.greenF()),
                          float(stroke.colour.blueF())};
    pdf_annot* annot = pdf_create_annot(context, page, PDF_ANNOT_INK);
    fz_try(context) {
        pdf_set_annot_color(context, annot, 3, rgb);
        pdf_set_annot_opacity(context, annot, float(stroke.opacity));
        pdf_set_annot_border(context, annot, float(stroke.width * height));
        const int count = int(points.size());
        pdf_set_annot_ink_list(context, annot, 1, &count, points.data());
        pdf_update_annot(context, annot);
    }
    fz_always(context) {
        pdf_drop_annot(context, annot);
    }
    fz_catch(context) {
        fz_rethrow(context);
    }
}

// A blank page of `bounds`' size right after page `after`: a whiteboard of the talk.
void insertBlankPage(fz_context* context, pdf_document* document, int after, fz_rect bounds) {
    const fz_rect box{0, 0, bounds.x1 - bounds.x0, bounds.y1 - bounds.y0};
    pdf_obj* resources = nullptr;
    fz_buffer* contents = nullptr;
    pdf_obj* blank = nullptr;
    fz_var(resources);
    fz_var(contents);
    fz_var(blank);
    fz_try(context) {
        resources = pdf_new_dict(context, document, 1);
        contents = fz_new_buffer(context, 1);
        blank = pdf_add_page(context, document, box, 0, resources, contents);
        pdf_insert_page(context, document, after + 1, blank);
    }
    fz_always(context) {
        pdf_drop_obj(context, blank);
        fz_drop_buffer(context, contents);
        pdf_drop_obj(context, resources);
    }
    fz_catch(context) {
        fz_rethrow(context);
    }
}

fz_rect pageBounds(fz_context* context, pdf_document* document, int number) {
    pdf_page* page = pdf_load_page(context, document, number);
    fz_rect bounds{};
    fz_var(bounds);
    fz_try(context) {
        bounds = fz_bound_page(context, &page->super);
    }
    fz_always(context) {
        fz_drop_page(context, &page->super);
    }
    fz_catch(context) {
        fz_rethrow(context);
    }
    return bounds;
}

// Loads the page, adds its strokes as ink, and lets it go.
void inkPage(fz_context* context, pdf_document* document, int number,
             const QList<const InkStroke*>& strokes) {
    pdf_page* page = pdf_load_page(context, document, number);
    fz_try(context) {
        const fz_rect bounds = fz_bound_page(context, &page->super);
        for (const InkStroke* stroke : strokes)
            addInk(context, page, bounds, *stroke);
        pdf_update_page(context, page);
    }
    fz_always(context) {
        fz_drop_page(context, &page->super);
    }
    fz_catch(context) {
        fz_rethrow(context);
    }
}

} // namespace

QByteArray MupdfEngine::writeWithInk(const QList<InkStroke>& ink) const {
    // By page, then by sheet: the page itself (0) and its whiteboards.
    std::map<qint64, std::map<int, QList<const InkStroke*>>> pages;
    for (const InkStroke& stroke : ink) {
        if (stroke.page >= 0 && stroke.page < pageCount() && stroke.points.size() >= 1)
            pages[stroke.page][stroke.board].append(&stroke);
    }
    QByteArray written;
    fz_buffer* buffer = nullptr;
    fz_output* output = nullptr;
    fz_var(buffer);
    fz_var(output);
    const bool insertsPages = std::any_of(pages.begin(), pages.end(), [](const auto& page) {
        return page.second.rbegin()->first > 0;
    });
    if (insertsPages && pageTree) {
        pdf_drop_page_tree(context, document);
        pageTree = false;
    }
    fz_try(context) {
        // From the last page back, so that the pages a whiteboard adds move none still to come;
        // the boards up to the last one drawn on, blank ones between included, as in the talk.
        for (auto page = pages.rbegin(); page != pages.rend(); ++page) {
            const int number = int(page->first);
            const auto& sheets = page->second;
            const int boards = sheets.rbegin()->first;
            if (boards > 0) {
                const fz_rect bounds = pageBounds(context, document, number);
                for (int board = boards; board >= 1; --board)
                    insertBlankPage(context, document, number, bounds);
                for (const auto& [board, strokes] : sheets) {
                    if (board > 0)
                        inkPage(context, document, number + board, strokes);
                }
            }
            if (const auto onSlide = sheets.find(0); onSlide != sheets.end())
                inkPage(context, document, number, onSlide->second);
        }
        buffer = fz_new_buffer(context, 1 << 16);
        output = fz_new_output_with_buffer(context, buffer);
        pdf_write_options options = pdf_default_write_options;
        pdf_write_document(context, document, output, &options);
        fz_close_output(context, output);
        unsigned char* data = nullptr;
        const size_t size = fz_buffer_storage(context, buffer, &data);
        written = QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
    }
    fz_always(context) {
        fz_drop_output(context, output);
        fz_drop_buffer(context, buffer);
    }
    fz_catch(context) {
        qWarning("%s: cannot write the ink: %s", qPrintable(path), fz_caught_message(context));
        return {};
    }
    return written;
}
