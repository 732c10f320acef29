// The thumbnail sidebar: a thumbnail per slide, rows and their geometry, the stored column count,
// highlight and scrolling, clicks, and rows that exist only while they are on screen.
#include "document/Deck.h"
#include "support/OpenDeck.h"
#include "support/TestPdfs.h"
#include "support/TestSupport.h"
#include "ui/common/SlideView.h"
#include "ui/console/ThumbnailSidebar.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

namespace {

// A deck of `count` 16:9 pages, each filled with `colour`.
bool writeDeck(const QString& path, int count, const char* colour = "0.2 0.4 0.8") {
    const QRectF box(0, 0, 160, 90);
    return TestPdfs::write(
        path,
        QList<TestPdfs::Page>(count, TestPdfs::page(box, {}, 0, TestPdfs::fill(box, colour))));
}

// A sidebar whose rows are `width` pixels wide, showing `deck`.
struct Shown {
    Shown(Deck& deck, int width, int height, int columns) {
        Preferences::setValue(ThumbnailSidebar::columnsKey, columns);
        sidebar.setDeck(&deck);
        sidebar.resize(width, height);
        sidebar.show();
        sidebar.setSlides(SlideStructure::pagesAlone(deck.pageCount()));
    }
    ThumbnailSidebar sidebar;
};

// The pages whose thumbnails on screen carry the highlight.
QList<qint64> highlightedPages(const ThumbnailList& list) {
    QList<qint64> pages;
    for (int row : list.visibleRows()) {
        const ThumbRow* rowWidget = list.rowWidget(row);
        for (qsizetype i = 0; i < rowWidget->thumbs().size(); ++i) {
            if (rowWidget->slideViews().at(i)->highlightColor())
                pages.append(rowWidget->thumbs().at(i).page);
        }
    }
    return pages;
}

QSet<qint64> renderedPages(const Deck& deck) {
    QSet<qint64> pages;
    for (const SlideRenderer::Key& key : deck.renderer()->images().keys())
        pages.insert(key.page);
    return pages;
}

} // namespace

class TestThumbnailSidebar : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(TestSupport::useGerman());
        QVERIFY(folder.isValid());
        for (int count : {10, 12, 500})
            QVERIFY(writeDeck(deckPath(count), count));
        QVERIFY(writeDeck(folder.filePath("red.pdf"), 10, "1 0 0"));
    }
    void init() { Preferences::clearForTests(); }

    void rowCount_data() {
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::newRow("10 pages, 3 columns: 4 rows") << 10 << 3 << 4;
        QTest::newRow("10 pages, 1 column") << 10 << 1 << 10;
        QTest::newRow("12 pages, 4 columns: full rows") << 12 << 4 << 3;
        QTest::newRow("no deck: no rows") << 0 << 2 << 0;
    }
    void rowCount() {
        QFETCH(int, pages);
        QFETCH(int, columns);
        Deck deck;
        if (pages > 0)
            QVERIFY(TestSupport::openDeck(deck, QUrl::fromLocalFile(deckPath(pages))));
        Shown shown(deck, 140, 600, columns);
        QTEST(shown.sidebar.rowCount(), "rows");
    }

    // 140 pixels wide, 1 column, 16:9: rows of 98, the thumbnail 128 × 72 at (6, 6).
    void rowGeometry() {
        Deck deck;
        QVERIFY(TestSupport::openDeck(deck, QUrl::fromLocalFile(deckPath(10))));
        Shown shown(deck, 140, 600, 1);
        QCOMPARE(shown.sidebar.list->rowWidth(), 140.0);
        QCOMPARE(shown.sidebar.rowHeight(), 98);
        QCOMPARE(ThumbRow::thumbnailGeometry(0, QSizeF(140, 98), 1, deck.aspect()),
                 QRectF(6, 6, 128, 72));
        QCOMPARE(ThumbRow::numberGeometry(0, QSizeF(140, 98), 1, deck.aspect()),
                 QRectF(6, 78, 128, 16));

        const ThumbRow* row = shown.sidebar.list->rowWidget(1);
        QVERIFY(row);
        QCOMPARE(row->geometry(), QRect(0, 98, 140, 98));
        QCOMPARE(row->slideViews().at(0)->geometry(), QRect(6, 6, 128, 72));
        QCOMPARE(row->numberLabels().at(0)->geometry(), QRect(6, 78, 128, 16));
        QCOMPARE(row->numberLabels().at(0)->text(), QStringLiteral("2"));
        QCOMPARE(shown.sidebar.list->geometry(), QRect(0, 28, 140, 572));
        QCOMPARE(shown.sidebar.header->geometry(), QRect(0, 0, 140, 28));
        QCOMPARE(shown.sidebar.moreButton->geometry(), QRect(110, 4, 24, 20));
    }

    void lastRowHidesItsEmptyCells() {
        Deck deck;
        QVERIFY(TestSupport::openDeck(deck, QUrl::fromLocalFile(deckPath(10))));
        Shown shown(deck, 150, 800, 3);
        const ThumbRow* last = shown.sidebar.list->rowWidget(3);
        QVERIFY(last);
        QCOMPARE(last->thumbs().size(), 1);
        QCOMPARE(last->thumbs().first().page, 9);
        QVERIFY(last->slideViews().at(0)->isVisible());
        for (qsizetype i = 1; i < last->slideViews().size(); ++i)
            QVERIFY(!last->slideViews().at(i)->isVisible());
    }

    // A beamer deck of ten pages in six slides, the fifth hidden: a thumbnail per slide showing
    // how it ends, its steps on it, the hidden one dimmed and marked; a click goes to the first
    // step, the hidden slide's too.
    void aThumbnailPerSlide() {
        Deck deck;
        QVERIFY(TestSupport::openDeck(deck, QUrl::fromLocalFile(deckPath(10))));
        Shown shown(deck, 150, 800, 3);
        SlideStructure::Layout layout;
        layout.labels = QStringList{"1", "2", "2", "2", "3", "4", "4", "5", "6", "6"};
        layout.hiddenPages = {7, 3};
        shown.sidebar.setSlides(SlideStructure(layout));
        QCOMPARE(shown.sidebar.rowCount(), 2);
        QList<qint64> pages;
        QStringList badges;
        QList<qint64> veiled;
        for (int row : {0, 1}) {
            const ThumbRow* rowWidget = shown.sidebar.list->rowWidget(row);
            for (qsizetype i = 0; i < rowWidget->thumbs().size(); ++i) {
                const SlideView* thumbnail = rowWidget->slideViews().at(i);
                pages << rowWidget->thumbs().at(i).page;
                badges << thumbnail->badge();
                if (thumbnail->veil())
                    veiled << rowWidget->thumbs().at(i).slide;
            }
        }
        QCOMPARE(pages, (QList<qint64>{0, 2, 4, 6, 7, 9}));
        QCOMPARE(badges, (QStringList{"", "3 Schritte", "", "2 Schritte", "", "2 Schritte"}));
        QCOMPARE(veiled, QList<qint64>{4});
        QCOMPARE(shown.sidebar.list->rowWidget(1)->numberLabels().at(1)->text(), QString("5"));

        QVERIFY(QTest::qWaitForWindowExposed(&shown.sidebar));
        QList<qint64> clicked;
        QObject::connect(&shown.sidebar, &ThumbnailSidebar::slideClicked,
                         [&](qint64 page) { clicked.append(page); });
        const int rowHeight = shown.sidebar.rowHeight();
        for (const QPoint& at : {QPoint(70, 10), QPoint(70, rowHeight + 10)})
            QTest::mouseClick(shown.sidebar.windowHandle(), Qt::LeftButton, {},
                              shown.sidebar.list->mapTo(&shown.sidebar, at));
        QCOMPARE(clicked, (QList<qint64>{1, 7}));
    }

    void storedColumns_data() {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("lessEnabled");
        QTest::addColumn<bool>("moreEnabled");
        QTest::newRow("missing key: 1") << QVariant() << 1 << "1 Spalte" << false << true;
        QTest::newRow("0: 1") << QVariant(0) << 1 << "1 Spalte" << false << true;
        QTest::newRow("3") << QVariant(3) << 3 << "3 Spalten" << true << true;
        QTest::newRow("7 written by hand: 4")
            << QVariant(QStringLiteral("7")) << 4 << "4 Spalten" << true << false;
        QTest::newRow("negative: 1") << QVariant(-2) << 1 << "1 Spalte" << false << true;
    }
    void storedColumns() {
        QFETCH(QVariant, stored);
        if (stored.isValid())
            Preferences::setValue(ThumbnailSidebar::columnsKey, stored);
        const ThumbnailSidebar sidebar;
        QTEST(sidebar.columns(), "columns");
        QTEST(sidebar.columnsLabel->text(), "label");
        QTEST(sidebar.lessButton->isEnabled(), "lessEnabled");
        QTEST(sidebar.moreButton->isEnabled(), "moreEnabled");
    }

    void buttonsStoreTheClampedCount() {
        ThumbnailSidebar sidebar;
        sidebar.moreButton->click();
        QCOMPARE(Preferences::integer(ThumbnailSidebar::columnsKey), 2);
        sidebar.setColumns(9);
        QCOMPARE(Preferences::integer(ThumbnailSidebar::columnsKey), 4);
        QVERIFY(!sidebar.moreButton->isEnabled());
        sidebar.lessButton->click();
        QCOMPARE(sidebar.columns(), 3);
    }

    // Clicks through the window; a click lands in the cell whose area holds it.
    void clicks_data() {
        QTest::addColumn<QPoint>("at"); // in the list, 150 pixels wide: cells of 50
        QTest::addColumn<qint64>("chosen");
        const int rowHeight = 26 + 21; // round((50 - 12) / (16/9)) = 21
        QTest::newRow("first thumbnail") << QPoint(20, 10) << qint64(0);
        QTest::newRow("on the margin at the cell boundary") << QPoint(50, 10) << qint64(1);
        QTest::newRow("just left of the boundary") << QPoint(49, 10) << qint64(0);
        QTest::newRow("on a number label") << QPoint(110, rowHeight - 5) << qint64(2);
        QTest::newRow("last page alone in its row") << QPoint(20, 3 * rowHeight + 10) << qint64(9);
        QTest::newRow("empty cell of the last row") << QPoint(70, 3 * rowHeight + 10) << qint64(-1);
        QTest::newRow("below the last row") << QPoint(20, 4 * rowHeight + 10) << qint64(-1);
    }
    void clicks() {
        QFETCH(QPoint, at);
        QFETCH(qint64, chosen);
        Deck deck;
        QVERIFY(TestSupport::openDeck(deck, QUrl::fromLocalFile(deckPath(10))));
        Shown shown(deck, 150, 600, 3);
        QVERIFY(QTest::qWaitForWindowExposed(&shown.sidebar));
        QList<qint64> clicked;
        QObject::connect(&shown.sidebar, &ThumbnailSidebar::slideClicked,
                         [&](qint64 index) { clicked.append(index); });
        QTest::mouseClick(shown.sidebar.windowHandle(), Qt::LeftButton, {},
                          shown.sidebar.list->mapTo(&shown.sidebar, at));
        QCOMPARE(clicked, chosen < 0 ? QList<qint64>() : QList<qint64>{chosen});
    }

    void selectionHighlightsAndScrolls() {
        Deck deck;
        QVERIFY(TestSupport::openDeck(deck, QUrl::fromLocalFile(deckPath(10))));
        Shown shown(deck, 140, 328, 1); // the list shows 300 pixels: three rows and a bit
        ThumbnailList* list = shown.sidebar.list;
        shown.sidebar.select(1);
        QCOMPARE(highlightedPages(*list), QList<qint64>{1});
        QCOMPARE(list->rowWidget(1)->slideViews().at(0)->highlightColor(),
                 std::optional<QColor>(QColor(0xFF, 0x9F, 0x0A)));
        QCOMPARE(list->scrollOffset(), 0);

        shown.sidebar.select(7);
        // Scrolled just far enough: row 7 ends at the bottom edge.
        QCOMPARE(list->scrollOffset(), 8 * 98 - 300);
        QCOMPARE(highlightedPages(*list), QList<qint64>{7});
        list->verticalScrollBar()->setValue(0);
        QCOMPARE(highlightedPages(*list), QList<qint64>());
        list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum());
        QCOMPARE(highlightedPages(*list), QList<qint64>{7});

        // Selecting the selected slide again does nothing, not even scrolling.
        list->verticalScrollBar()->setValue(0);
        shown.sidebar.select(7);
        QCOMPARE(list->scrollOffset(), 0);
    }

    // From 1 to 2 columns with slide 5 current: still highlighted, its row 2 scrolled into view.
    void changingColumnsKeepsTheHighlight() {
        Deck deck;
        QVERIFY(TestSupport::openDeck(deck, QUrl::fromLocalFile(deckPath(12))));
        Shown shown(deck, 140, 128, 1); // 100 pixels of list: one row of 98 at a time
        shown.sidebar.select(4);
        shown.sidebar.setColumns(2);
        const int rowHeight = shown.sidebar.rowHeight();
        QCOMPARE(rowHeight, 33 + 26); // round((70 - 12) / (16/9)) = round(32.625)
        const ThumbnailList* list = shown.sidebar.list;
        const ThumbRow* row = list->rowWidget(2);
        QVERIFY(row);
        QCOMPARE(row->thumbs().at(0).page, 4);
        QCOMPARE(row->thumbs().at(1).page, 5);
        QVERIFY(row->slideViews().at(0)->highlightColor());
        QVERIFY(!row->slideViews().at(1)->highlightColor());
        QVERIFY(list->scrollOffset() <= 2 * rowHeight);
        QVERIFY(list->scrollOffset() + 100 >= 3 * rowHeight);
    }

    // A 500-page deck: only the rows on screen exist, and only their pages are rendered.
    void onlyVisibleRowsExist() {
        Deck deck;
        QVERIFY(TestSupport::openDeck(deck, QUrl::fromLocalFile(deckPath(500))));
        Shown shown(deck, 140, 600, 1); // 572 pixels of list, rows of 98: 6 rows on screen
        ThumbnailList* list = shown.sidebar.list;
        QCOMPARE(list->visibleRows(), (QList<int>{0, 1, 2, 3, 4, 5}));
        QTRY_COMPARE(renderedPages(deck), (QSet<qint64>{0, 1, 2, 3, 4, 5}));

        list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum());
        QCOMPARE(list->visibleRows().last(), 499);
        QVERIFY(list->visibleRows().size() <= 7);
        QTRY_VERIFY(renderedPages(deck).contains(499));
        for (qint64 page : renderedPages(deck))
            QVERIFY2(page < 6 || page >= 493, qPrintable(QString::number(page)));
        // Rows are handed on, not created anew.
        QVERIFY(list->findChildren<ThumbRow*>().size() <= 8);
    }

    // Rows show their images at their pixel size; another deck with as many pages keeps the
    // rows but shows the new deck's pages.
    void rowsShowTheirDecksImages() {
        Deck deck;
        QVERIFY(TestSupport::openDeck(deck, QUrl::fromLocalFile(deckPath(10))));
        Shown shown(deck, 140, 600, 1);
        const SlideView* thumbnail = shown.sidebar.list->rowWidget(0)->slideViews().at(0);
        QTRY_VERIFY(thumbnail->image().has_value());
        QCOMPARE(thumbnail->image()->size(), thumbnail->pixelKeySize());
        QVERIFY(TestSupport::openDeck(deck, QUrl::fromLocalFile(folder.filePath("red.pdf"))));
        shown.sidebar.setSlides(SlideStructure::pagesAlone(deck.pageCount()));
        QTRY_VERIFY(thumbnail->image() && qRed(thumbnail->image()->pixel(60, 30)) > 200);
    }

private:
    QString deckPath(int count) const {
        return folder.filePath(QStringLiteral("deck-%1.pdf").arg(count));
    }

    QTemporaryDir folder;
};

ORVL_TEST_MAIN(TestThumbnailSidebar)
#include "tst_thumbnailsidebar.moc"
