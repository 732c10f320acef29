// Notes pages: which decks are split and how, and how a view cuts its half from the whole page.
#include "document/PageSplit.h"
#include "support/TestSupport.h"

Q_DECLARE_METATYPE(NotesSide)

class PageSplitTest : public QObject {
    Q_OBJECT
private slots:
    void detect_data() {
        QTest::addColumn<QList<QSizeF>>("pages");
        QTest::addColumn<NotesSide>("side");
        const QSizeF wide16x9(2 * 1280, 720);
        QTest::newRow("2:1 pages") << QList<QSizeF>(5, {800, 400}) << NotesSide::right;
        QTest::newRow("two 16:9 slides side by side")
            << QList<QSizeF>(3, wide16x9) << NotesSide::right;
        QTest::newRow("4:3 beamer slide over its notes")
            << QList<QSizeF>(4, {364.2, 546.3}) << NotesSide::bottom;
        QTest::newRow("16:9 slide over its notes")
            << QList<QSizeF>(2, {1280, 1440}) << NotesSide::bottom;
        QTest::newRow("16:10 slide over its notes")
            << QList<QSizeF>(2, {1280, 1600}) << NotesSide::bottom;
        QTest::newRow("4:3 deck") << QList<QSizeF>(6, {1024, 768}) << NotesSide::none;
        QTest::newRow("16:9 deck") << QList<QSizeF>(6, {1280, 720}) << NotesSide::none;
        QTest::newRow("A4 portrait") << QList<QSizeF>(3, {595.3, 841.9}) << NotesSide::none;
        QTest::newRow("A4 landscape") << QList<QSizeF>(3, {841.9, 595.3}) << NotesSide::none;
        QTest::newRow("US letter portrait") << QList<QSizeF>(3, {612, 792}) << NotesSide::none;
        QTest::newRow("one ordinary page among notes pages")
            << QList<QSizeF>{wide16x9, {1280, 720}, wide16x9} << NotesSide::none;
        QTest::newRow("a page without a size")
            << QList<QSizeF>{wide16x9, {800, 0}} << NotesSide::none;
        QTest::newRow("no pages") << QList<QSizeF>() << NotesSide::none;
    }
    void detect() {
        QFETCH(QList<QSizeF>, pages);
        QTEST(PageSplit::detect(pages), "side");
    }

    // The speaker's choice wins; "auto" guesses, and the sidecar turns the guess round only
    // along its own axis.
    void resolve() {
        const QList<QSizeF> wide(2, {800, 400});
        const QList<QSizeF> tall(2, {1280, 1440});
        const QList<QSizeF> plain(2, {1024, 768});
        QCOMPARE(PageSplit::resolve("left", plain, {}), NotesSide::left);
        QCOMPARE(PageSplit::resolve("none", wide, "right"), NotesSide::none);
        QCOMPARE(PageSplit::resolve("auto", wide, {}), NotesSide::right);
        QCOMPARE(PageSplit::resolve("auto", wide, " Left"), NotesSide::left);
        QCOMPARE(PageSplit::resolve({}, wide, "top"), NotesSide::right);
        QCOMPARE(PageSplit::resolve("auto", tall, "top"), NotesSide::top);
        QCOMPARE(PageSplit::resolve("auto", plain, "left"), NotesSide::none);
        QCOMPARE(PageSplit::resolve("sideways", tall, {}), NotesSide::bottom);
    }

    void geometry_data() {
        QTest::addColumn<NotesSide>("side");
        QTest::addColumn<bool>("notes");
        QTest::addColumn<QSize>("view");
        QTest::addColumn<QSize>("drawn");
        QTest::addColumn<QRect>("source");
        QTest::addColumn<QRect>("target");
        const QSizeF page(800, 225); // two 16:9 halves
        QTest::newRow("slide on the left fills a 16:9 view")
            << NotesSide::right << false << QSize(1920, 1080) << QSize(3840, 1080)
            << QRect(0, 0, 1920, 1080) << QRect(0, 0, 1920, 1080);
        QTest::newRow("notes on the right")
            << NotesSide::right << true << QSize(1920, 1080) << QSize(3840, 1080)
            << QRect(1920, 0, 1920, 1080) << QRect(0, 0, 1920, 1080);
        QTest::newRow("slide on the right, letter-boxed in a 4:3 view")
            << NotesSide::left << false << QSize(1024, 768) << QSize(2048, 576)
            << QRect(1024, 0, 1024, 576) << QRect(0, 96, 1024, 576);
        QTest::newRow("no split: the view's own size")
            << NotesSide::none << false << QSize(640, 360) << QSize(640, 360)
            << QRect(0, 0, 640, 360) << QRect(0, 0, 640, 360);
    }
    void geometry() {
        QFETCH(NotesSide, side);
        QFETCH(bool, notes);
        QFETCH(QSize, view);
        const PageSplit::Geometry shown = PageSplit::geometry(side, notes, {800, 225}, view);
        QTEST(shown.drawn, "drawn");
        QTEST(shown.source, "source");
        QTEST(shown.target, "target");
        // Top and bottom halves, the same way round.
        const PageSplit::Geometry top =
            PageSplit::geometry(NotesSide::top, false, {400, 450}, view);
        QCOMPARE(top.source.y() + top.source.height(), top.drawn.height());
    }
};

ORVL_TEST_MAIN(PageSplitTest)
#include "PageSplitTest.moc"
