// The slide view's pixel sizes, image hand-over and painting, on screens of ratio 1 and 2.
#include "ui/common/SlideView.h"
#include "document/Deck.h"
#include "support/OpenDeck.h"
#include "support/TestPdfs.h"
#include "support/TestSupport.h"

#include <QScreen>
#include <QWindow>

using Key = SlideRenderer::Key;
using TestPdfs::Page;
using TestPdfs::page;

class SlideViewTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder;
    Deck presentation;

    QScreen* screenWithRatio(double ratio) const {
        for (QScreen* screen : QGuiApplication::screens()) {
            if (screen->devicePixelRatio() == ratio)
                return screen;
        }
        return nullptr;
    }

    // A shown top-level view of `size` device-independent pixels on the screen of the given ratio.
    std::unique_ptr<SlideView> shownView(QSize size, double ratio = 1.0) {
        auto view = std::make_unique<SlideView>();
        view->setDeck(&presentation);
        view->resize(size);
        view->winId();
        if (QScreen* screen = screenWithRatio(ratio)) {
            view->windowHandle()->setScreen(screen);
            view->move(screen->geometry().topLeft() + QPoint(20, 20));
        }
        view->show();
        return view;
    }

    static QImage grabbed(QWidget& view) {
        return view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

private slots:
    void initTestCase() {
        QVERIFY(folder.isValid());
        QVERIFY(screenWithRatio(1.0));
        QVERIFY(screenWithRatio(2.0));
        Preferences::clearForTests();
        // Each page gets its own colour, so a picture tells which page it shows.
        QList<Page> pages;
        for (int index = 0; index < 8; ++index) {
            const QByteArray colour = QByteArray::number(index / 8.0) + " 0.5 0.2";
            pages.append(page({0, 0, 320, 180}, {}, 0,
                              TestPdfs::fill({0, 0, 320, 180}, colour.constData())));
        }
        QVERIFY(TestPdfs::write(folder.filePath("deck.pdf"), pages));
        QVERIFY(
            TestSupport::openDeck(presentation, QUrl::fromLocalFile(folder.filePath("deck.pdf"))));
    }

    void pixelSizeRoundsHalvesAwayFromZero_data() {
        QTest::addColumn<QSizeF>("logicalSize");
        QTest::addColumn<double>("ratio");
        QTest::addColumn<QSize>("pixels");
        QTest::newRow("ratio 2") << QSizeF(400, 225) << 2.0 << QSize(800, 450);
        QTest::newRow("ratio 1") << QSizeF(400, 225) << 1.0 << QSize(400, 225);
        QTest::newRow("halves round up") << QSizeF(300.25, 168.75) << 2.0 << QSize(601, 338);
        QTest::newRow("ratio 1.25") << QSizeF(301, 169) << 1.25 << QSize(376, 211);
    }

    void pixelSizeRoundsHalvesAwayFromZero() {
        QFETCH(QSizeF, logicalSize);
        QFETCH(double, ratio);
        QTEST(SlideView::pixelSize(logicalSize, ratio), "pixels");
    }

    void keySizeFollowsTheScreen_data() {
        QTest::addColumn<double>("ratio");
        QTest::addColumn<QSize>("pixels");
        QTest::newRow("standard screen") << 1.0 << QSize(400, 225);
        QTest::newRow("retina screen") << 2.0 << QSize(800, 450);
    }

    void keySizeFollowsTheScreen() {
        QFETCH(double, ratio);
        QFETCH(QSize, pixels);
        const auto view = shownView({400, 225}, ratio);
        QCOMPARE(view->pixelKeySize(), pixels);
        view->setPage(2);
        view->refresh();
        QTRY_VERIFY(view->imageKey());
        QCOMPARE(*view->imageKey(), Key({2, pixels.width(), pixels.height()}));
        QCOMPARE(view->image()->size(), pixels);
    }

    void movingToAnotherRatioRendersAgain() {
        const auto view = shownView({200, 100}, 1.0);
        view->setPage(1);
        view->refresh();
        QTRY_VERIFY(view->imageKey());
        QCOMPARE(view->imageKey()->width, 200);
        QScreen* retina = screenWithRatio(2.0);
        view->windowHandle()->setScreen(retina);
        view->move(retina->geometry().topLeft() + QPoint(40, 40));
        QTRY_COMPARE(view->imageKey()->width, 400);
        QCOMPARE(view->imageKey()->height, 200);
    }

    void drawsTheImageWithoutScalingOnRetina() {
        const auto view = shownView({240, 135}, 2.0);
        view->setPage(3);
        view->refresh();
        QTRY_VERIFY(view->image());
        const QImage expected = view->image()->convertToFormat(QImage::Format_RGB32);
        const QImage shown = grabbed(*view);
        QCOMPARE(shown.size(), expected.size());
        QVERIFY(shown == expected);
    }

    // A view too small to show anything, or without a page, lets its image go.
    void viewsDropTheirImage_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("page");
        QTest::newRow("1 pixel wide") << QSize(1, 100) << true;
        QTest::newRow("1 pixel high") << QSize(100, 1) << true;
        QTest::newRow("no page") << QSize(160, 90) << false;
    }

    void viewsDropTheirImage() {
        QFETCH(QSize, size);
        QFETCH(bool, page);
        const auto view = shownView({160, 90});
        view->setPage(0);
        view->refresh();
        QTRY_VERIFY(view->image());
        if (!page) {
            view->setPage(std::nullopt);
            view->refresh();
        }
        view->resize(size);
        QVERIFY(!view->image());
        QVERIFY(!view->imageKey());
    }

    void keepsTheOldImageWhileTheNewOneRenders() {
        const auto view = shownView({160, 90});
        view->setPage(4);
        view->refresh();
        QTRY_VERIFY(view->imageKey());
        const Key first = *view->imageKey();
        // A new size: the page-4 picture stays, stretched, until the new one is ready.
        view->resize(170, 96);
        QCOMPARE(*view->imageKey(), first);
        QTRY_COMPARE(view->imageKey()->width, 170);
        // Another page: page 4 stays until page 5 arrives.
        view->setPage(5);
        view->refresh();
        QCOMPARE(view->imageKey()->page, 4);
        QTRY_COMPARE(view->imageKey()->page, 5);
    }

    void aLateImageForAnotherPageIsIgnored() {
        const auto view = shownView({150, 84});
        view->setPage(6);
        view->refresh();
        view->setPage(std::nullopt);
        view->refresh();
        QTest::qWait(300);
        QVERIFY(!view->image());
    }

    void anotherDeckReplacesTheSamePage() {
        const QRectF box(0, 0, 320, 180);
        QVERIFY(TestPdfs::write(folder.filePath("orange.pdf"),
                                QList<Page>(3, page(box, {}, 0, TestPdfs::fill(box, "1 0.5 0")))));
        Deck deck;
        QVERIFY(TestSupport::openDeck(deck, QUrl::fromLocalFile(folder.filePath("deck.pdf"))));
        SlideView view;
        view.setDeck(&deck);
        view.resize(160, 90);
        view.show();
        view.setPage(1);
        view.refresh();
        QTRY_VERIFY(view.image());
        QVERIFY(view.image()->pixelColor(80, 45).red() < 64);

        // Same page number, same size, another deck: the owner must be told to refresh.
        QVERIFY(TestSupport::openDeck(deck, QUrl::fromLocalFile(folder.filePath("orange.pdf"))));
        QVERIFY(view.needsRefreshFor(1));
        view.refresh();
        QVERIFY(!view.needsRefreshFor(1));
        QTRY_COMPARE(view.image()->pixelColor(80, 45).red(), 255);
    }

    void cachedImageIsShownAtOnce() {
        const auto view = shownView({140, 79});
        view->setPage(7);
        view->refresh();
        QTRY_VERIFY(view->image());
        const auto other = shownView({140, 79});
        other->setPage(7);
        other->refresh();
        QVERIFY(other->image());
        QCOMPARE(other->image()->cacheKey(), view->image()->cacheKey());
    }

    void placeholderFontSizeFollowsTheHeight_data() {
        QTest::addColumn<double>("height");
        QTest::addColumn<double>("size");
        QTest::newRow("120 pixels: the minimum") << 120.0 << 12.0;
        QTest::newRow("60 pixels: still the minimum") << 60.0 << 12.0;
        QTest::newRow("240 pixels: a twelfth") << 240.0 << 20.0;
        QTest::newRow("600 pixels: the maximum") << 600.0 << 28.0;
    }

    void placeholderFontSizeFollowsTheHeight() {
        QFETCH(double, height);
        QTEST(SlideView::placeholderFontSize(height), "size");
    }

    void placeholderIsGreyOnBlackWithoutAnImage() {
        const auto view = shownView({300, 240});
        view->setDeck(nullptr);
        view->setPlaceholder(QStringLiteral("Kein Dokument"));
        const QImage shown = grabbed(*view);
        QCOMPARE(shown.pixel(2, 2), qRgb(0, 0, 0));
        int lightest = 0;
        QRect inked;
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x) {
                const int level = qGray(shown.pixel(x, y));
                lightest = std::max(lightest, level);
                if (level > 0)
                    inked |= QRect(x, y, 1, 1);
            }
        }
        QVERIFY2(lightest > 100 && lightest <= 145, qPrintable(QString::number(lightest)));
        // Centred both ways, give or take the glyphs' own margins.
        QVERIFY(qAbs(inked.center().x() - 150) <= 4);
        QVERIFY(qAbs(inked.center().y() - 120) <= 6);
    }

    void blankingOverridesEverything_data() {
        QTest::addColumn<Blank>("blank");
        QTest::addColumn<QRgb>("colour");
        QTest::newRow("white") << Blank::white << qRgb(255, 255, 255);
        QTest::newRow("black") << Blank::black << qRgb(0, 0, 0);
    }

    void blankingOverridesEverything() {
        QFETCH(Blank, blank);
        const auto view = shownView({160, 90});
        view->setPage(0);
        view->refresh();
        QTRY_VERIFY(view->image());
        view->setHighlightColor(QColor(Qt::red));
        view->setPlaceholder(QStringLiteral("Folie"));
        view->setBlank(blank);
        const QImage shown = grabbed(*view);
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x)
                QTEST(shown.pixel(x, y), "colour");
        }
        QVERIFY(view->image());
    }

    // The speaker's veil dims the slide and says why in its middle; the audience's view never
    // shows one.
    void aVeilDimsTheSlideForTheSpeakerOnly_data() {
        QTest::addColumn<RenderPriority>("priority");
        QTest::addColumn<QColor>("veil");
        QTest::addColumn<QRgb>("corner");
        // Page 0 is (0, 128, 51); a veil of alpha 160 leaves 95/255 of it.
        QTest::newRow("black") << RenderPriority::consoleView << QColor(0, 0, 0, 160)
                               << qRgb(0, 48, 19);
        QTest::newRow("white") << RenderPriority::consoleView << QColor(255, 255, 255, 160)
                               << qRgb(160, 208, 179);
        QTest::newRow("never on the projector")
            << RenderPriority::audienceView << QColor(0, 0, 0, 160) << qRgb(0, 128, 51);
    }
    void aVeilDimsTheSlideForTheSpeakerOnly() {
        QFETCH(RenderPriority, priority);
        QFETCH(QColor, veil);
        QFETCH(QRgb, corner);
        const auto view = shownView({320, 180});
        view->setPriority(priority);
        view->setPage(0);
        view->refresh();
        QTRY_VERIFY(view->image());
        view->setVeil(SlideView::Veil{veil, QStringLiteral("Schwarz"), Qt::red});
        const QImage shown = grabbed(*view);
        for (const QPoint& at : {QPoint(3, 3), QPoint(316, 176)}) {
            const QRgb pixel = shown.pixel(at);
            QVERIFY2(qAbs(qRed(pixel) - qRed(corner)) <= 1 &&
                         qAbs(qGreen(pixel) - qGreen(corner)) <= 1 &&
                         qAbs(qBlue(pixel) - qBlue(corner)) <= 1,
                     qPrintable(QColor(pixel).name()));
        }
        bool captioned = false;
        for (int x = 100; x < 220 && !captioned; ++x)
            captioned = qRed(shown.pixel(x, 90)) > 200 && qGreen(shown.pixel(x, 90)) < 100;
        QCOMPARE(captioned, priority != RenderPriority::audienceView);
    }

    void highlightFrameLiesInside() {
        const auto view = shownView({160, 90});
        view->setHighlightColor(QColor(255, 159, 10));
        const QImage shown = grabbed(*view);
        for (const QPoint& inside : {QPoint(0, 0), QPoint(2, 45), QPoint(80, 87), QPoint(159, 89)})
            QCOMPARE(shown.pixel(inside), qRgb(255, 159, 10));
        for (const QPoint& outside : {QPoint(3, 45), QPoint(80, 86), QPoint(80, 45)})
            QCOMPARE(shown.pixel(outside), qRgb(0, 0, 0));
    }

    void viewOutlivesItsDeck() {
        const auto view = shownView({160, 90});
        {
            Deck other;
            QVERIFY(TestSupport::openDeck(other, QUrl::fromLocalFile(folder.filePath("deck.pdf"))));
            view->setDeck(&other);
            view->setPage(1);
            view->refresh();
        }
        QVERIFY(!view->deck());
        view->refresh();
        QVERIFY(!view->image());
        QTest::qWait(100);
    }
};

ORVL_TEST_MAIN(SlideViewTest)
#include "SlideViewTest.moc"
