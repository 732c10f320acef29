// The MuPDF engine on real files: open results, labels, notes, broken pages, parallel instances.
#include "engine/MupdfEngine.h"
#include "render/PageImage.h"
#include "support/TestPdfs.h"
#include "support/TestSupport.h"

#include <thread>

#include <sys/stat.h>

using TestPdfs::Page;
using TestPdfs::page;

Q_DECLARE_METATYPE(OpenStatus)

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool allWhite(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) & 0xffffff) != 0xffffff)
                return false;
        }
    }
    return true;
}

} // namespace

class MupdfEngineTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder;
    QString path(const QString& name) const { return folder.filePath(name); }

private slots:
    void initTestCase() {
        QVERIFY(folder.isValid());
        const QByteArray red = TestPdfs::fill({0, 0, 400, 300}, "1 0 0");
        QVERIFY(
            TestPdfs::write(path("plain.pdf"), QList<Page>(2, page({0, 0, 400, 300}, {}, 0, red))));
        QVERIFY(TestPdfs::encrypt(path("plain.pdf"), path("locked.pdf"), "secret"));
        QVERIFY(TestPdfs::encrypt(path("plain.pdf"), path("ownerOnly.pdf"), ""));
        const QByteArray plain = readFile(path("plain.pdf"));
        // The cross-reference table points nowhere: opening must rebuild it.
        QByteArray badXref = plain;
        badXref.replace(badXref.lastIndexOf("startxref\n") + 10, 3, "999");
        QVERIFY(writeFile(path("badXref.pdf"), badXref));
        // Cut in the middle of the table, trailer gone.
        QVERIFY(writeFile(path("truncated.pdf"), plain.left(plain.indexOf("xref") + 30)));
        QVERIFY(writeFile(path("garbage.pdf"), "%PDF-1.4\n" + QByteArray(4000, 'x')));
        QVERIFY(writeFile(path("notPdf.pdf"), "<html>a web page saved as .pdf</html>"));
        // The page tree claims a third page it does not have: loading it fails inside MuPDF.
        QByteArray missingPage = plain;
        missingPage.replace("/Count 2", "/Count 3");
        QVERIFY(writeFile(path("missingPage.pdf"), missingPage));
        QVERIFY(mkfifo(QFile::encodeName(path("pipe.pdf")).constData(), 0600) == 0);
        QVERIFY(QDir(folder.path()).mkdir("folder.pdf"));
    }

    void opensOrSaysWhyNot_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("password");
        QTest::addColumn<OpenStatus>("status");
        QTest::addColumn<int>("pages");
        QTest::newRow("plain") << "plain.pdf"
                               << "" << OpenStatus::ok << 2;
        QTest::newRow("broken cross-references are repaired") << "badXref.pdf"
                                                              << "" << OpenStatus::ok << 2;
        QTest::newRow("a truncated file is repaired") << "truncated.pdf"
                                                      << "" << OpenStatus::ok << 2;
        QTest::newRow("a header and nothing usable") << "garbage.pdf"
                                                     << "" << OpenStatus::damaged << 0;
        QTest::newRow("not a PDF") << "notPdf.pdf"
                                   << "" << OpenStatus::notPdf << 0;
        QTest::newRow("missing") << "missing.pdf"
                                 << "" << OpenStatus::notFound << 0;
        QTest::newRow("a named pipe nobody writes, which never holds up the open")
            << "pipe.pdf"
            << "" << OpenStatus::notPdf << 0;
        QTest::newRow("a folder") << "folder.pdf"
                                  << "" << OpenStatus::notPdf << 0;
        QTest::newRow("a user password and none given") << "locked.pdf"
                                                        << "" << OpenStatus::needsPassword << 0;
        QTest::newRow("a user password and the wrong one")
            << "locked.pdf"
            << "guess" << OpenStatus::wrongPassword << 0;
        QTest::newRow("a user password and the right one") << "locked.pdf"
                                                           << "secret" << OpenStatus::ok << 2;
        QTest::newRow("only an owner password") << "ownerOnly.pdf"
                                                << "" << OpenStatus::ok << 2;
    }

    void opensOrSaysWhyNot() {
        QFETCH(QString, file);
        QFETCH(QString, password);
        QFETCH(int, pages);
        OpenStatus status = OpenStatus::ok;
        const auto engine = MupdfEngine::open(path(file), password, &status);
        QTEST(status, "status");
        QCOMPARE(engine ? engine->pageCount() : 0, qint64(pages));
        if (engine)
            QCOMPARE(engine->drawPage(1, {40, 30}).pixel(20, 15), qRgb(255, 0, 0));
    }

    void readsLabelsAndNotesAndDrawsNoNotes() {
        // Three annotations with the same red appearance: only the square one may show.
        const QByteArray annots = "/Annots [7 0 R 8 0 R 9 0 R]";
        const QByteArray appearance = "/AP << /N 10 0 R >>";
        const QByteArray square = "1 0 0 rg 0 0 50 50 re f";
        QList<Page> pages(4, page({0, 0, 400, 300}));
        pages[0].entries = annots;
        QVERIFY(TestPdfs::write(
            path("annotated.pdf"), {pages[0], pages[1]},
            "/PageLabels << /Nums [0 << /S /r >> 1 << /S /D /P (A-) /St 7 >>] >>",
            {"<< /Type /Annot /Subtype /Text /Rect [10 10 60 60] /Contents (Say hello) " +
                 appearance + " >>",
             "<< /Type /Annot /Subtype /FreeText /Rect [100 10 150 60] /DA (/Helv 12 Tf 0 g) "
             "/Contents <FEFF00DC00620065007200670061006E0067> " +
                 appearance + " >>",
             "<< /Type /Annot /Subtype /Square /Rect [200 10 250 60] /Contents (not a note) " +
                 appearance + " >>",
             "<< /Type /XObject /Subtype /Form /BBox [0 0 50 50] /Length " +
                 QByteArray::number(square.size()) + " >>\nstream\n" + square + "\nendstream"}));
        OpenStatus status = OpenStatus::damaged;
        const auto engine = MupdfEngine::open(path("annotated.pdf"), {}, &status);
        QVERIFY(engine);
        QCOMPARE(engine->pageLabel(0), "i");
        QCOMPARE(engine->pageLabel(1), "A-7");
        QCOMPARE(engine->noteTexts(0), QStringList({"Say hello", QString::fromUtf8("Übergang")}));
        QCOMPARE(engine->noteTexts(1), QStringList());
        const QImage image = engine->drawPage(0, {400, 300});
        QCOMPARE(image.pixel(35, 265), qRgb(255, 255, 255));
        QCOMPARE(image.pixel(125, 265), qRgb(255, 255, 255));
        QCOMPARE(image.pixel(225, 265), qRgb(255, 0, 0));
        // Without labels every page's label is empty.
        QCOMPARE(MupdfEngine::open(path("plain.pdf"))->pageLabel(0), QString());
    }

    // The annotation kinds the .pdfpc tools read as notes are notes and stay off the page; the
    // other kinds are drawn and say nothing.
    void noteAnnotationsAreReadAndNotDrawn_data() {
        QTest::addColumn<QByteArray>("subtype");
        QTest::addColumn<bool>("note");
        QTest::newRow("Text") << QByteArray("Text") << true;
        QTest::newRow("FreeText") << QByteArray("FreeText") << true;
        QTest::newRow("Highlight") << QByteArray("Highlight") << true;
        QTest::newRow("Underline") << QByteArray("Underline") << true;
        QTest::newRow("Squiggly") << QByteArray("Squiggly") << true;
        QTest::newRow("StrikeOut is drawn") << QByteArray("StrikeOut") << false;
    }
    void noteAnnotationsAreReadAndNotDrawn() {
        QFETCH(QByteArray, subtype);
        QFETCH(bool, note);
        const QByteArray square = "1 0 0 rg 0 0 50 50 re f";
        Page annotated = page({0, 0, 400, 300});
        annotated.entries = "/Annots [5 0 R 6 0 R]";
        const QByteArray marked = "/Rect [10 10 60 60] /QuadPoints [10 60 60 60 10 10 60 10] "
                                  "/AP << /N 7 0 R >>";
        const QString file = path("annotated-" + subtype + ".pdf");
        QVERIFY(TestPdfs::write(
            file, {annotated}, {},
            {"<< /Type /Annot /Subtype /" + subtype + " " + marked + " /Contents (first) >>",
             "<< /Type /Annot /Subtype /" + subtype + " " + marked + " /Contents (second) >>",
             "<< /Type /XObject /Subtype /Form /BBox [0 0 50 50] /Length " +
                 QByteArray::number(square.size()) + " >>\nstream\n" + square + "\nendstream"}));
        const auto engine = MupdfEngine::open(file);
        QVERIFY(engine);
        QCOMPARE(engine->noteTexts(0), note ? QStringList({"first", "second"}) : QStringList());
        QCOMPARE(engine->drawPage(0, {400, 300}).pixel(35, 265),
                 note ? qRgb(255, 255, 255) : qRgb(255, 0, 0));
    }

    // The catalog's XMP packet as stored, its filters undone; only so much of it is ever read.
    void readsTheMetadataPacket_data() {
        const QByteArray packet = "<?xpacket begin=\"\"?><x:xmpmeta xmlns:x=\"adobe:ns:meta/\"/>"
                                  "<?xpacket end=\"w\"?>";
        // A zlib stream is qCompress's output without its length prefix.
        const auto flate = [](const QByteArray& bytes) { return qCompress(bytes).mid(4); };
        const QByteArray longest(PageEngine::maximumMetadataBytes, ' ');
        const QByteArray metadata = "/Metadata 5 0 R";
        const QByteArray flateFilter = "/Filter /FlateDecode";
        QTest::addColumn<QByteArray>("catalog");
        QTest::addColumn<QByteArray>("filter");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("compressed") << metadata << flateFilter << flate(packet) << packet;
        QTest::newRow("as long as allowed") << metadata << flateFilter << flate(longest) << longest;
        QTest::newRow("one byte longer, compressed small")
            << metadata << flateFilter << flate(longest + ' ') << QByteArray();
        QTest::newRow("none") << QByteArray() << QByteArray() << packet << QByteArray();
        QTest::newRow("not a stream")
            << QByteArray("/Metadata (xmp)") << QByteArray() << packet << QByteArray();
    }
    void readsTheMetadataPacket() {
        QFETCH(QByteArray, catalog);
        QFETCH(QByteArray, filter);
        QFETCH(QByteArray, data);
        const QString file = path(QStringLiteral("metadata-%1.pdf").arg(QTest::currentDataTag()));
        QVERIFY(TestPdfs::write(file, {page({0, 0, 400, 300})}, catalog,
                                {"<< " + filter + " /Length " + QByteArray::number(data.size()) +
                                 " >>\nstream\n" + data + "\nendstream"}));
        const auto engine = MupdfEngine::open(file);
        QVERIFY(engine);
        QTEST(engine->metadata(), "expected");
    }

    // A notes page's notes half is read as text; the slide half's words stay out of it.
    void readsTheTextOfARegion() {
        Page notesPage =
            page({0, 0, 800, 225}, {}, 0,
                 "BT /F1 20 Tf 40 150 Td (Slide title) Tj ET "
                 "BT /F1 14 Tf 440 150 Td (Remember the demo) Tj 0 -20 Td (then ask) Tj ET");
        notesPage.entries = "/Resources << /Font << /F1 << /Type /Font /Subtype /Type1 "
                            "/BaseFont /Helvetica >> >> >>";
        QVERIFY(TestPdfs::write(path("notesPage.pdf"), {notesPage}));
        const auto engine = MupdfEngine::open(path("notesPage.pdf"));
        QVERIFY(engine);
        QCOMPARE(engine->regionText(0, {0.5, 0, 0.5, 1}),
                 QStringLiteral("Remember the demo\nthen ask"));
        QCOMPARE(engine->regionText(0, {0, 0, 0.5, 1}), QStringLiteral("Slide title"));
        QCOMPARE(engine->regionText(1, {0, 0, 1, 1}), QString());
    }

    void aPageMuPdfCannotLoadDrawsWhite() {
        const auto engine = MupdfEngine::open(path("missingPage.pdf"));
        QVERIFY(engine);
        QCOMPARE(engine->pageCount(), 3);
        QCOMPARE(engine->pageSize(2), QSizeF(400, 300));
        QVERIFY(engine->readPage(2));
        const QImage broken = engine->drawPage(2, {80, 60});
        QCOMPARE(broken.size(), QSize(80, 60));
        QVERIFY(allWhite(broken));
        QCOMPARE(engine->noteTexts(2), QStringList());
        QCOMPARE(engine->drawPage(0, {80, 60}).pixel(40, 30), qRgb(255, 0, 0));
    }

    // Bands of a page showing a photograph, drawn before the whole, are that draw's rows: the
    // image is decoded whole for bands too, not each band's part at a scaling phase of its own.
    void bandsOfAScaledImageAreTheWholeDrawsRows() {
        QByteArray samples(300 * 200 * 3, Qt::Uninitialized);
        quint32 noise = 12345;
        for (char& sample : samples) {
            noise = noise * 1103515245u + 12345u;
            sample = char(noise >> 24);
        }
        Page photo = page({0, 0, 400, 300}, {}, 0, "q 400 0 0 300 0 0 cm /Im0 Do Q");
        photo.entries = "/Resources << /XObject << /Im0 5 0 R >> >>";
        const QByteArray image = "<< /Type /XObject /Subtype /Image /Width 300 /Height 200 "
                                 "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Length " +
                                 QByteArray::number(samples.size()) + " >>\nstream\n" + samples +
                                 "\nendstream";
        QVERIFY(TestPdfs::write(path("photo.pdf"), {photo}, {}, {image}));
        const auto engine = MupdfEngine::open(path("photo.pdf"));
        QVERIFY(engine);
        const RenderKey key{0, 160, 120};
        QList<QImage> bands;
        for (const auto& [top, bottom] : {std::pair(70, 120), {0, 30}, {30, 70}})
            bands.append(PageImage::drawRows(*engine, key, top, bottom));
        const QImage whole = PageImage::draw(*engine, key);
        QCOMPARE(bands[0], whole.copy(0, 70, 160, 50));
        QCOMPARE(bands[1], whole.copy(0, 0, 160, 30));
        QCOMPARE(bands[2], whole.copy(0, 30, 160, 40));
    }

    // Two instances on two threads share display lists and decoded images; every image they
    // draw at once equals the one drawn alone, and so do bands put together (bars included).
    void instancesDrawInParallel() {
        QByteArray stripes;
        for (int i = 0; i < 300; ++i)
            stripes += TestPdfs::fill({double(i), 0, 0.5, 300}, i % 3 ? "0 0.5 1" : "1 0.5 0");
        QList<Page> pages;
        for (int i = 0; i < 6; ++i)
            pages.append(page({0, 0, 400, 300}, {}, i % 2 ? 90 : 0, stripes));
        QVERIFY(TestPdfs::write(path("stripes.pdf"), pages));
        const QList<QSize> sizes{{640, 480}, {160, 120}};
        QList<QImage> expected;
        {
            const auto alone = MupdfEngine::open(path("stripes.pdf"));
            QVERIFY(alone);
            for (int page = 0; page < 6; ++page) {
                for (const QSize& size : sizes)
                    expected.append(alone->drawPage(page, size));
                const RenderKey key{page, 640, 600};
                const QImage whole = PageImage::draw(*alone, key);
                for (const auto& [top, bottom] : {std::pair(0, 40), {40, 301}, {301, 600}})
                    QCOMPARE(PageImage::drawRows(*alone, key, top, bottom),
                             whole.copy(0, top, 640, bottom - top));
            }
        }
        QList<QImage> drawn[2];
        std::thread workers[2];
        for (int worker = 0; worker < 2; ++worker) {
            workers[worker] = std::thread([&, worker] {
                const auto engine = MupdfEngine::open(path("stripes.pdf"));
                for (int page = 0; engine && page < 6; ++page) {
                    for (const QSize& size : sizes)
                        drawn[worker].append(engine->drawPage(page, size));
                }
            });
        }
        for (std::thread& worker : workers)
            worker.join();
        QCOMPARE(drawn[0].size(), expected.size());
        for (qsizetype i = 0; i < expected.size(); ++i) {
            QVERIFY(!expected[i].isNull());
            QCOMPARE(drawn[0][i], expected[i]);
            QCOMPARE(drawn[1][i], expected[i]);
        }
    }

    void aCancelledDrawStopsAndReturnsNothing() {
        QByteArray heavy;
        for (int i = 0; i < 200000; ++i)
            heavy += TestPdfs::fill({double(i % 400), double(i / 400 % 300), 1.5, 1.5},
                                    i % 2 ? "0.2 0.4 0.8" : "0.9 0.5 0.1");
        QVERIFY(TestPdfs::write(path("heavy.pdf"), {page({0, 0, 400, 300}, {}, 0, heavy)}));
        const auto engine = MupdfEngine::open(path("heavy.pdf"));
        QVERIFY(engine);
        std::atomic_bool cancel = false;
        std::thread canceller([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            cancel = true;
        });
        const QImage image = engine->drawPage(0, {3840, 2160}, {0, 0, 1, 1}, &cancel);
        canceller.join();
        QVERIFY(image.isNull());
        // The interrupted list was not kept: the page still draws in full afterwards, as a copy
        // of the file (which shares nothing with this one) draws it.
        QVERIFY(QFile::copy(path("heavy.pdf"), path("heavyCopy.pdf")));
        QCOMPARE(engine->drawPage(0, {200, 150}),
                 MupdfEngine::open(path("heavyCopy.pdf"))->drawPage(0, {200, 150}));
    }
};

QTEST_GUILESS_MAIN(MupdfEngineTest)
#include "MupdfEngineTest.moc"
