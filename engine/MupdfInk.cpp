// The MuPDF engine's export: the speaker's ink as ink annotations in a copy of the document.
#include "engine/MupdfEngine.h"

#include <QtDebug>

#include <mupdf/fitz.h>
#include <mupdf/pdf.h>

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

} // namespace

QByteArray MupdfEngine::writeWithInk(const QList<InkStroke>& ink) const {
    // Each page is loaded once, in order.
    std::map<qint64, QList<const InkStroke*>> pages;
    for (const InkStroke& stroke : ink) {
        if (stroke.page >= 0 && stroke.page < pageCount() && stroke.points.size() >= 1)
            pages[stroke.page].append(&stroke);
    }
    QByteArray written;
    pdf_page* page = nullptr;
    fz_buffer* buffer = nullptr;
    fz_output* output = nullptr;
    fz_var(page);
    fz_var(buffer);
    fz_var(output);
    fz_try(context) {
        for (const auto& [number, strokes] : pages) {
            page = pdf_load_page(context, document, int(number));
            const fz_rect bounds = fz_bound_page(context, &page->super);
            for (const InkStroke* stroke : strokes)
                addInk(context, page, bounds, *stroke);
            pdf_update_page(context, page);
            fz_drop_page(context, &page->super);
            page = nullptr;
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
        fz_drop_page(context, reinterpret_cast<fz_page*>(page));
    }
    fz_catch(context) {
        qWarning("%s: cannot write the ink: %s", qPrintable(path), fz_caught_message(context));
        return {};
    }
    return written;
}
