// The speaker's ink written into a copy of a deck by a page worker, read back with MuPDF as the
// ink annotations any PDF reader shows, at the places drawn.
#include "engine/InkStroke.h"
#include "engine/ProcessEngine.h"
#include "support/TestPdfs.h"
#include "support/TestSupport.h"

#include <mupdf/fitz.h>
#include <mupdf/pdf.h>

namespace {

struct ReadInk {
    int page = 0;
    QList<QPointF> points;
    float opacity = 0;
    QColor colour;
};

// Every ink annotation of the file, its points in the page's displayed space as 0..1.
QList<ReadInk> readInk(const QString& path) {
    QList<ReadInk> found;
    fz_context* context = fz_new_context(nullptr, nullptr, FZ_STORE_DEFAULT);
    fz_register_document_handlers(context);
    fz_document* document = nullptr;
    fz_page* page = nullptr;
    fz_var(document);
    fz_var(page);
    fz_try(context) {
        document = fz_open_document(context, path.toUtf8().constData());
        for (int number = 0; number < fz_count_pages(context, document); ++number) {
            page = fz_load_page(context, document, number);
            const fz_rect bounds = fz_bound_page(context, page);
            auto* pdfPage = reinterpret_cast<pdf_page*>(page);
            for (pdf_annot* annot = pdf_first_annot(context, pdfPage); annot;
                 annot = pdf_next_annot(context, annot)) {
                if (pdf_annot_type(context, annot) != PDF_ANNOT_INK)
                    continue;
                ReadInk ink{number, {}, pdf_annot_opacity(context, annot), {}};
                int components = 0;
                float rgb[4] = {};
                pdf_annot_color(context, annot, &components, rgb);
                ink.colour = QColor::fromRgbF(rgb[0], rgb[1], rgb[2]);
                for (int i = 0; i < pdf_annot_ink_list_count(context, annot); ++i) {
                    for (int k = 0; k < pdf_annot_ink_list_stroke_count(context, annot, i); ++k) {
                        const fz_point at = pdf_annot_ink_list_stroke_vertex(context, annot, i, k);
                        ink.points.append({(at.x - bounds.x0) / (bounds.x1 - bounds.x0),
                                           (at.y - bounds.y0) / (bounds.y1 - bounds.y0)});
                    }
                }
                found.append(ink);
            }
            fz_drop_page(context, page);
            page = nullptr;
        }
    }
    fz_always(context) {
        fz_drop_page(context, page);
        fz_drop_document(context, document);
    }
    fz_catch(context) {
        found.clear();
    }
    fz_drop_context(context);
    return found;
}

bool near(QPointF a, QPointF b) {
    return std::abs(a.x() - b.x()) < 1e-3 && std::abs(a.y() - b.y()) < 1e-3;
}

} // namespace

class InkExportTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder;

    // The deck written with the ink by a fresh worker, as each export has one, into `name`.
    QString exported(const QString& deck, const QList<InkStroke>& ink, const QString& name) {
        OpenStatus status = OpenStatus::ok;
        const auto engine = ProcessEngine::open(ProcessEngine::workerPath(), deck, {}, &status, {});
        const QByteArray written = engine ? engine->writeWithInk(ink) : QByteArray();
        if (!written.startsWith("%PDF"))
            return {};
        const QString copy = folder.filePath(name);
        QFile out(copy);
        if (!out.open(QIODevice::WriteOnly) || out.write(written) != written.size())
            return {};
        return copy;
    }

private slots:
    void strokesTravelIntact() {
        InkStroke stroke{3, QColor(10, 20, 30), 0.4, 0.01, {{0.1, 0.2}, {0.3, 0.4}}, 2};
        const QList<InkStroke> strokes{stroke, InkStroke{0, QColor(Qt::white), 1.0, 0.02, {}}};
        QCOMPARE(InkStroke::decode(InkStroke::encode(strokes)), strokes);
        // Cut short, or with trailing bytes, is no list of strokes.
        const QByteArray bytes = InkStroke::encode(strokes);
        QVERIFY(!InkStroke::decode(bytes.left(bytes.size() - 3)));
        QVERIFY(!InkStroke::decode(bytes + "x"));
        QVERIFY(!InkStroke::decode(QByteArray(8, '\xff')));
    }

    void workerWritesInkAnnotationsWhereDrawn() {
        const QString deck = folder.filePath(QStringLiteral("deck.pdf"));
        // A plain page, and one turned a quarter so that its displayed space differs from the
        // PDF's own.
        QVERIFY(TestPdfs::write(
            deck, {TestPdfs::page({0, 0, 400, 300}), TestPdfs::page({0, 0, 400, 300}, {}, 90)}));
        QFile original(deck);
        QVERIFY(original.open(QIODevice::ReadOnly));
        const QByteArray before = original.readAll();
        original.close();

        const InkStroke pen{0, QColor(255, 0, 0), 1.0, 0.01, {{0.25, 0.5}, {0.75, 0.25}}};
        const InkStroke marker{1, QColor(255, 214, 10), 0.4, 0.04, {{0.1, 0.9}, {0.6, 0.3}}};
        const QString copy = exported(deck, {pen, marker}, QStringLiteral("copy.pdf"));
        QVERIFY(!copy.isEmpty());

        const QList<ReadInk> read = readInk(copy);
        QCOMPARE(read.size(), 2);
        QCOMPARE(read.at(0).page, 0);
        QCOMPARE(read.at(0).points.size(), 2);
        QVERIFY(near(read.at(0).points.at(0), pen.points.at(0)));
        QVERIFY(near(read.at(0).points.at(1), pen.points.at(1)));
        QCOMPARE(read.at(0).colour, pen.colour);
        QCOMPARE(read.at(1).page, 1);
        QVERIFY(near(read.at(1).points.at(0), marker.points.at(0)));
        QVERIFY(near(read.at(1).points.at(1), marker.points.at(1)));
        QVERIFY(std::abs(read.at(1).opacity - 0.4f) < 1e-3);

        // Whiteboards become blank pages after their slide, up to the last one drawn on (the
        // empty first one included); the slides after them keep their ink.
        const InkStroke board{0, QColor(0, 0, 255), 1.0, 0.01, {{0.5, 0.5}, {0.6, 0.6}}, 2};
        const QString withBoards =
            exported(deck, {pen, marker, board}, QStringLiteral("boards.pdf"));
        QVERIFY(!withBoards.isEmpty());
        const QList<ReadInk> onBoards = readInk(withBoards);
        QCOMPARE(onBoards.size(), 3);
        QCOMPARE(onBoards.at(0).page, 0);
        QCOMPARE(onBoards.at(1).page, 2);
        QCOMPARE(onBoards.at(1).colour, board.colour);
        QVERIFY(near(onBoards.at(1).points.at(0), board.points.at(0)));
        QCOMPARE(onBoards.at(2).page, 3);
        QVERIFY(near(onBoards.at(2).points.at(0), marker.points.at(0)));
        // The deck itself is untouched.
        QVERIFY(original.open(QIODevice::ReadOnly));
        QCOMPARE(original.readAll(), before);
    }
};

ORVL_TEST_MAIN(InkExportTest)
#include "InkExportTest.moc"
