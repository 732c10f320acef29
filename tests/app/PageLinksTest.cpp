// Clicks on the links of a real file, on the console's view and the projector's, at different
// view sizes and on split notes pages: where they lead, what they refuse, and the way back.
#include "app/PageLinks.h"
#include "document/ShownPage.h"
#include "show/SlideShow.h"
#include "support/OpenDeck.h"
#include "support/TestPdfs.h"
#include "support/TestSupport.h"
#include "ui/common/SlideView.h"

using TestPdfs::Page;
using TestPdfs::page;

namespace {

QByteArray linkAnnotation(const QByteArray& rect, const QByteArray& target) {
    return "<< /Type /Annot /Subtype /Link /Rect [" + rect + "] " + target + " >>";
}

} // namespace

class PageLinksTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder;
    Deck deck;
    SlideShow show;
    std::unique_ptr<SlideView> console;
    std::unique_ptr<SlideView> audience;
    std::unique_ptr<PageLinks> links;
    QList<QUrl> opened;

    std::unique_ptr<SlideView> shownView(QSize size) {
        auto view = std::make_unique<SlideView>();
        view->setDeck(&deck);
        view->setPage(0);
        view->resize(size);
        view->show();
        if (!QTest::qWaitForWindowExposed(view.get()))
            qFatal("a view was not shown");
        return view;
    }

private slots:
    void initTestCase() {
        QVERIFY(TestSupport::useGerman());
        QVERIFY(folder.isValid());
        // Page 0's quarters: top left to page 2, top right a web address, bottom left back,
        // bottom right a program.
        QList<Page> pages(3, page({0, 0, 400, 300}));
        pages[0].entries = "/Annots [9 0 R 10 0 R 11 0 R 12 0 R]";
        QVERIFY(TestPdfs::write(
            folder.filePath("links.pdf"), pages, {},
            {linkAnnotation("0 150 200 300", "/Dest [7 0 R /Fit]"),
             linkAnnotation("200 150 400 300", "/A << /S /URI /URI (https://example.org/) >>"),
             linkAnnotation("0 0 200 150", "/A << /S /Named /N /GoBack >>"),
             linkAnnotation("200 0 400 150", "/A << /S /Launch /F (/usr/bin/xterm) >>")}));
        QVERIFY(TestSupport::openDeck(deck, QUrl::fromLocalFile(folder.filePath("links.pdf"))));
        show.setDeck(deck.pageCount(), nullptr, false);
    }

    void init() {
        show.goTo(0);
        console = shownView({400, 300});
        // Wider than the page: letter-boxed, the page in the middle 400 pixels.
        audience = shownView({800, 300});
        links = std::make_unique<PageLinks>(deck, show);
        opened.clear();
        links->openUrl = [this](const QUrl& url) {
            opened.append(url);
            return true;
        };
        links->watch(console.get(), audience.get());
    }

    // A page link moves the talk from either window; Alt+Left and the file's GoBack return.
    void pageLinksJumpAndGoBack() {
        QTest::mouseClick(audience.get(), Qt::LeftButton, {}, QPoint(300, 75));
        QCOMPARE(show.page(), 2);
        links->back();
        QCOMPARE(show.page(), 0);
        QTest::mouseClick(console.get(), Qt::LeftButton, {}, QPoint(100, 75));
        QCOMPARE(show.page(), 2);
        // The view still shows page 0 here: its GoBack link.
        QTest::mouseClick(console.get(), Qt::LeftButton, {}, QPoint(100, 225));
        QCOMPARE(show.page(), 0);
        links->back();
        QCOMPARE(show.page(), 0);
        QCOMPARE(links->notice(), QString());
    }

    // The letter-box and the parts of the page without a link take no click: it goes on to the
    // window (a step, on the projector).
    void clicksBesideLinksPassOn() {
        QSignalSpy acted(links.get(), &PageLinks::acted);
        QTest::mouseClick(audience.get(), Qt::LeftButton, {}, QPoint(100, 75));
        QTest::mouseClick(audience.get(), Qt::LeftButton, {}, QPoint(700, 225));
        QCOMPARE(acted.size(), 0);
        QCOMPARE(show.page(), 0);
        // Nothing is followed on a blanked projector.
        audience->setBlank(Blank::black);
        QTest::mouseClick(audience.get(), Qt::LeftButton, {}, QPoint(300, 75));
        QCOMPARE(show.page(), 0);
    }

    // A web address opens from the console only; a program is never started; both say so.
    void webLinksOpenFromTheConsoleOnly() {
        QTest::mouseClick(audience.get(), Qt::LeftButton, {}, QPoint(500, 75));
        QVERIFY(opened.isEmpty());
        QCOMPARE(links->notice(),
                 "Web-Link nicht geöffnet: Adressen öffnen sich nur mit einem Klick am Pult");
        QTest::mouseClick(console.get(), Qt::LeftButton, {}, QPoint(300, 75));
        QCOMPARE(opened, QList<QUrl>{QUrl("https://example.org/")});
        QCOMPARE(links->notice(), "Geöffnet: https://example.org/");
        QTest::mouseClick(console.get(), Qt::LeftButton, {}, QPoint(300, 225));
        QCOMPARE(show.page(), 0);
        QCOMPARE(
            links->notice(),
            "Link nicht gefolgt: er würde ein Programm oder eine Datei öffnen (/usr/bin/xterm)");
        QCOMPARE(opened.size(), 1);
        // The notice belongs to its page.
        show.goTo(1);
        QCOMPARE(links->notice(), QString());
    }

    // The console's pointer is a hand over a link; the projector's is never touched.
    void theHandShowsOnTheConsoleOnly() {
        QTest::mouseMove(console.get(), QPoint(100, 75));
        QTRY_COMPARE(console->cursor().shape(), Qt::PointingHandCursor);
        QTest::mouseMove(audience.get(), QPoint(300, 75));
        QVERIFY(!audience->testAttribute(Qt::WA_SetCursor));
        // A layer over the slide that takes the moves (the tools' overlay) still shows the hand.
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(console.get(), &leave);
        QCOMPARE(console->cursor().shape(), Qt::ArrowCursor);
        QWidget cover(console.get());
        cover.setMouseTracking(true);
        cover.setGeometry(console->rect());
        cover.show();
        QTest::mouseMove(&cover, QPoint(300, 200));
        QTRY_COMPARE(console->cursor().shape(), Qt::PointingHandCursor);
    }

    // On a page split into slide and notes, a view's pixel maps into its half of the page.
    void splitPagesMapIntoTheirHalf() {
        Deck split;
        QVERIFY(TestPdfs::write(folder.filePath("split.pdf"), {page({0, 0, 800, 300})}));
        QVERIFY(TestSupport::openDeck(split, QUrl::fromLocalFile(folder.filePath("split.pdf"))));
        split.setNotesSide(NotesSide::right);
        const ShownPage::Area slide = ShownPage::area(split, 0, {400, 300});
        QCOMPARE(slide.region, QRectF(0, 0, 0.5, 1));
        QCOMPARE(ShownPage::pagePoint(slide, {100, 75}), QPointF(0.125, 0.25));
        QCOMPARE(ShownPage::viewPixel(slide, {0.125, 0.25}), QPointF(100, 75));
        // Twice the size, letter-boxed above and below.
        const ShownPage::Area large = ShownPage::area(split, 0, {800, 800});
        QCOMPARE(ShownPage::pagePoint(large, {400, 400}), QPointF(0.25, 0.5));
        QVERIFY(!ShownPage::pagePoint(large, {400, 10}));
        const ShownPage::Area notes = ShownPage::area(split, 0, {400, 300}, true);
        QCOMPARE(ShownPage::pagePoint(notes, {0, 0}), QPointF(0.5, 0));
        QVERIFY(ShownPage::area(split, 5, {400, 300}).isEmpty());
    }
};

QTEST_MAIN(PageLinksTest)
#include "PageLinksTest.moc"
