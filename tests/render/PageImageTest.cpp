// Letter-box geometry, the real engine's pixels and open reasons, and the renderer on real files.
#include "render/PageImage.h"
#include "engine/PageEngine.h"
#include "render/SlideRenderer.h"
#include "support/TestPdfs.h"
#include "support/TestSupport.h"

using Key = RenderKey;
using TestPdfs::Page;
using TestPdfs::page;

class PageImageTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder;
    QUrl url(const QString& name) const { return QUrl::fromLocalFile(folder.filePath(name)); }

    QImage drawn(const QString& file, const Key& key) const {
        const auto engine = defaultEngineFactory().open(folder.filePath(file), {}, nullptr);
        return engine ? PageImage::draw(*engine, key) : QImage();
    }

private slots:
    void initTestCase() {
        QVERIFY(folder.isValid());
        QVERIFY(
            TestPdfs::write(folder.filePath("wide.pdf"), QList<Page>(3, page({0, 0, 320, 180}))));
        QVERIFY(
            TestPdfs::write(folder.filePath("rotated90.pdf"), {page({0, 0, 400, 300}, {}, 90)}));
        // Blue media box, red crop box: only red may show.
        QVERIFY(TestPdfs::write(folder.filePath("cropOrigin.pdf"),
                                {page({0, 0, 400, 400}, QRectF(100, 100, 300, 200), 0,
                                      TestPdfs::fill({0, 0, 400, 400}, "0 0 1") +
                                          TestPdfs::fill({100, 100, 300, 200}, "1 0 0"))}));
        QVERIFY(TestPdfs::write(
            folder.filePath("mediaOrigin.pdf"),
            {page({50, 70, 300, 200}, {}, 0, TestPdfs::fill({50, 70, 300, 200}, "1 0 0"))}));
        // Red | blue.
        QVERIFY(TestPdfs::write(folder.filePath("halves.pdf"),
                                {page({0, 0, 400, 200}, {}, 0,
                                      TestPdfs::fill({0, 0, 200, 200}, "1 0 0") +
                                          TestPdfs::fill({200, 0, 200, 200}, "0 0 1"))}));
        // Thousands of small paths make one large render slow enough to be caught in flight.
        QByteArray heavy;
        for (int i = 0; i < 20000; ++i)
            heavy += TestPdfs::fill({double(i % 400), double(i / 400 % 300), 1.5, 1.5},
                                    i % 2 ? "0.2 0.4 0.8" : "0.9 0.5 0.1");
        QVERIFY(TestPdfs::write(folder.filePath("heavy.pdf"),
                                QList<Page>(40, page({0, 0, 400, 300}, {}, 0, heavy))));
    }

    // The page's place in the image, and the same area flipped into image rows.
    void placementFollowsTheLetterBoxRule_data() {
        QTest::addColumn<QSizeF>("page");
        QTest::addColumn<QSize>("pixels");
        QTest::addColumn<QRectF>("placed");
        QTest::addColumn<QRect>("area");
        QTest::newRow("portrait in a square is pillar-boxed")
            << QSizeF(300, 400) << QSize(1000, 1000) << QRectF(125, 0, 750, 1000)
            << QRect(125, 0, 750, 1000);
        QTest::newRow("half a row of slack rounds to the bottom and fills the image")
            << QSizeF(320, 180) << QSize(1000, 563) << QRectF(0, 0, 1000, 562.5)
            << QRect(0, 0, 1000, 563);
        // 219 rows below the page, so only 218 above it.
        QTest::newRow("a quarter above the half rounds down; bars count from the bottom")
            << QSizeF(320, 180) << QSize(1000, 1000) << QRectF(0, 219, 1000, 562.5)
            << QRect(0, 218, 1000, 563);
        QTest::newRow("an exact half rounds away from zero")
            << QSizeF(300, 400) << QSize(1001, 1000) << QRectF(126, 0, 750, 1000)
            << QRect(126, 0, 750, 1000);
        QTest::newRow("no usable page size")
            << QSizeF(320, 0) << QSize(1000, 563) << QRectF() << QRect();
    }

    void placementFollowsTheLetterBoxRule() {
        QFETCH(QSizeF, page);
        QFETCH(QSize, pixels);
        const auto place = PageImage::placement(page, pixels.width(), pixels.height());
        QTEST(QRectF(place.x, place.y, place.width, place.height), "placed");
        QTEST(PageImage::pageArea(page, pixels.width(), pixels.height()), "area");
    }

    // The last bar pixel and the first page pixel on each side of the page.
    void rendersPagesWithBlackBars_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QSize>("pixels");
        QTest::addColumn<QList<QPoint>>("black");
        QTest::addColumn<QList<QPoint>>("white");
        QTest::newRow("rotated: bars left and right")
            << "rotated90.pdf" << QSize(1000, 1000) << QList<QPoint>{{124, 500}, {875, 500}}
            << QList<QPoint>{{125, 500}, {874, 500}};
        QTest::newRow("16:9 at 563 rows: no bars")
            << "wide.pdf" << QSize(1000, 563) << QList<QPoint>{}
            << QList<QPoint>{{500, 0}, {500, 562}};
        QTest::newRow("16:9 in a square: bars above and below")
            << "wide.pdf" << QSize(1000, 1000) << QList<QPoint>{{500, 217}, {500, 781}}
            << QList<QPoint>{{500, 218}, {500, 780}};
    }

    void rendersPagesWithBlackBars() {
        QFETCH(QString, file);
        QFETCH(QSize, pixels);
        QFETCH(QList<QPoint>, black);
        QFETCH(QList<QPoint>, white);
        const QImage image = drawn(file, {0, pixels.width(), pixels.height()});
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), pixels);
        QCOMPARE(image.format(), QImage::Format_RGB32);
        for (const QPoint& pixel : black)
            QVERIFY2((image.pixel(pixel) & 0xffffff) == 0,
                     qPrintable(QString::number(image.pixel(pixel), 16)));
        for (const QPoint& pixel : white)
            QVERIFY2((image.pixel(pixel) & 0xffffff) == 0xffffff,
                     qPrintable(QString::number(image.pixel(pixel), 16)));
    }

    void showsOnlyTheCropBox_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("crop box with an origin") << "cropOrigin.pdf";
        QTest::newRow("media box with an origin") << "mediaOrigin.pdf";
    }

    void showsOnlyTheCropBox() {
        QFETCH(QString, file);
        const QImage image = drawn(file, {0, 300, 200});
        QVERIFY(!image.isNull());
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb colour = image.pixel(x, y);
                QVERIFY2(qRed(colour) == 255 && qBlue(colour) == 0,
                         qPrintable(QStringLiteral("%1,%2: %3").arg(x).arg(y).arg(colour, 0, 16)));
            }
        }
    }

    void impossibleRequestsNeverAnswer_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<Key>("key");
        QTest::newRow("width 0") << "wide.pdf" << Key{0, 0, 100};
        QTest::newRow("negative height") << "wide.pdf" << Key{0, 100, -1};
        QTest::newRow("page beyond the last") << "wide.pdf" << Key{3, 100, 100};
        QTest::newRow("negative page") << "wide.pdf" << Key{-1, 100, 100};
        QTest::newRow("beyond what an image can hold") << "wide.pdf" << Key{0, 100000, 100};
        QTest::newRow("file that does not open") << "missing.pdf" << Key{0, 100, 100};
    }

    void impossibleRequestsNeverAnswer() {
        QFETCH(QString, file);
        QFETCH(Key, key);
        SlideRenderer renderer(url(file), {QSizeF(320, 180)}, defaultEngineFactory());
        int calls = 0;
        renderer.request(
            key, [&](const QImage&) { ++calls; }, RenderPriority::audienceView, this);
        QTRY_VERIFY(!renderer.isPending(key));
        QTest::qWait(50);
        QCOMPARE(calls, 0);
        QVERIFY(!renderer.cached(key));
        // The failed key is not stuck: the next request tries again.
        renderer.request(
            key, [&](const QImage&) { ++calls; }, RenderPriority::audienceView, this);
        QVERIFY(renderer.isPending(key));
        QTRY_VERIFY(!renderer.isPending(key));
        QCOMPARE(calls, 0);
    }

    void replacingARendererWhileItRendersIsSafe() {
        std::unique_ptr<SlideRenderer> renderer;
        QList<bool> replaced(5, false);
        int lateAnswers = 0;
        bool lastAnswered = false;
        for (int round = 0; round < 5; ++round) {
            if (round > 0)
                replaced[round - 1] = true;
            renderer = std::make_unique<SlideRenderer>(url(round % 2 ? "heavy.pdf" : "wide.pdf"),
                                                       QList<QSizeF>(40, QSizeF(400, 300)),
                                                       defaultEngineFactory());
            renderer->request(
                {0, 1920, 1080},
                [&, round](const QImage&) {
                    if (replaced[round])
                        ++lateAnswers;
                    lastAnswered = round == 4;
                },
                RenderPriority::audienceView, this);
            QTest::qWait(round * 5);
        }
        QTRY_VERIFY_WITH_TIMEOUT(lastAnswered, 10000);
        QTest::qWait(100);
        QCOMPARE(lateAnswers, 0);
    }

    // A region of the page fills the whole image: the right half of a red | blue page is blue.
    void backEndDrawsARegionOfThePage() {
        const auto document =
            defaultEngineFactory().open(folder.filePath("halves.pdf"), {}, nullptr);
        QVERIFY(document);
        const QImage right = document->drawPage(0, QSize(100, 100), QRectF(0.5, 0, 0.5, 1));
        QCOMPARE(right.size(), QSize(100, 100));
        QCOMPARE(right.pixelColor(2, 50), QColor(Qt::blue));
        QCOMPARE(right.pixelColor(97, 50), QColor(Qt::blue));
        const QImage left = document->drawPage(0, QSize(100, 100), QRectF(0, 0, 0.5, 1));
        QCOMPARE(left.pixelColor(97, 50), QColor(Qt::red));
    }

    // A zoomed key draws its region letter-boxed like a whole page, the same in bands as whole,
    // and is never averaged down from an image of the whole page.
    void regionKeysDrawTheirPartOfThePage() {
        const auto document =
            defaultEngineFactory().open(folder.filePath("halves.pdf"), {}, nullptr);
        QVERIFY(document);
        // The left half is square: pillar-boxed into a 200 x 100 image.
        const RenderKey key = RenderKey::ofRegion(0, 200, 100, QRectF(0, 0, 0.5, 1));
        QVERIFY(!key.wholePage());
        QCOMPARE(key.region(), QRectF(0, 0, 0.5, 1));
        const QImage whole = PageImage::draw(*document, key);
        QCOMPARE(whole.size(), QSize(200, 100));
        QCOMPARE(whole.pixelColor(10, 50), QColor(Qt::black));
        QCOMPARE(whole.pixelColor(100, 50), QColor(Qt::red));
        QCOMPARE(whole.pixelColor(148, 50), QColor(Qt::red));
        const QImage top = PageImage::drawRows(*document, key, 0, 40);
        const QImage bottom = PageImage::drawRows(*document, key, 40, 100);
        QCOMPARE(top.pixelColor(100, 10), QColor(Qt::red));
        QCOMPARE(bottom.pixelColor(100, 50), QColor(Qt::red));
        const RenderKey wholeKey{0, 400, 200};
        QVERIFY(PageImage::derive(PageImage::draw(*document, wholeKey), {400, 200}, key).isNull());
        QVERIFY(key != (RenderKey{0, 200, 100}));
    }
};

ORVL_TEST_MAIN(PageImageTest)
#include "PageImageTest.moc"
