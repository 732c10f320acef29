// The renderer's request path, cache bound and letter-box geometry, checked on real pages.
#include "document/SlideRenderer.h"
#include "TestPdfs.h"
#include "document/PageEngine.h"
#include "support/TestSupport.h"

using Key = SlideRenderer::Key;
Q_DECLARE_METATYPE(OpenStatus)
using TestPdfs::Page;
using TestPdfs::page;

namespace {

QImage tinyImage() {
    QImage image(1, 1, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

const Key smallKey(qint64 page) {
    return {page, 256, 144};
}

const Key largeKey(qint64 page) {
    return {page, 1920, 1080};
}

} // namespace

class SlideRendererTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder;
    QUrl url(const QString& name) const { return QUrl::fromLocalFile(folder.filePath(name)); }

    // Asks for one image and waits for it; a null image when none arrives in time.
    static QImage renderThrough(SlideRenderer& renderer, const Key& key) {
        QImage result;
        renderer.request(key, [&](const QImage& image) { result = image; });
        QElapsedTimer waited;
        waited.start();
        while (result.isNull() && waited.elapsed() < 10000)
            QTest::qWait(5);
        return result;
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
        const auto place = SlideRenderer::placement(page, pixels.width(), pixels.height());
        QTEST(QRectF(place.x, place.y, place.width, place.height), "placed");
        QTEST(SlideRenderer::pageArea(page, pixels.width(), pixels.height()), "area");
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
        SlideRenderer renderer(url(file));
        const QImage image = renderThrough(renderer, {0, pixels.width(), pixels.height()});
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
        SlideRenderer renderer(url(file));
        const QImage image = renderThrough(renderer, {0, 300, 200});
        QVERIFY(!image.isNull());
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb colour = image.pixel(x, y);
                QVERIFY2(qRed(colour) == 255 && qBlue(colour) == 0,
                         qPrintable(QStringLiteral("%1,%2: %3").arg(x).arg(y).arg(colour, 0, 16)));
            }
        }
    }

    void cacheHitAnswersBeforeReturning() {
        SlideRenderer renderer(url("wide.pdf"));
        const QImage stored = tinyImage();
        renderer.store(stored, smallKey(0));
        bool answered = false;
        renderer.request(smallKey(0), [&](const QImage& image) {
            answered = image.cacheKey() == stored.cacheKey();
        });
        QVERIFY(answered);
        renderer.request(smallKey(0));
        QVERIFY(!renderer.isPending(smallKey(0)));
        QCOMPARE(renderer.order(), QList<Key>({smallKey(0)}));
    }

    void identicalRequestsRenderOnceAndAnswerInOrder() {
        SlideRenderer renderer(url("wide.pdf"));
        QList<int> calls;
        QList<qint64> images;
        for (int caller = 1; caller <= 3; ++caller) {
            renderer.request(smallKey(1), [&, caller](const QImage& image) {
                calls.append(caller);
                images.append(image.cacheKey());
            });
        }
        QVERIFY(renderer.isPending(smallKey(1)));
        QTRY_COMPARE(calls, QList<int>({1, 2, 3}));
        QCOMPARE(images.count(images.first()), 3);
        QVERIFY(!renderer.isPending(smallKey(1)));
        QCOMPARE(renderer.order(), QList<Key>({smallKey(1)}));
        QCOMPARE(renderer.cached(smallKey(1))->cacheKey(), images.first());
    }

    void cacheBoundEvictsLargeImagesFirst_data() {
        QTest::addColumn<QList<Key>>("stored");
        QTest::addColumn<QList<Key>>("evicted");
        QList<Key> thirteenLarge;
        for (int page = 0; page < 13; ++page)
            thirteenLarge.append(largeKey(page));
        QTest::newRow("13th large evicts the oldest large")
            << thirteenLarge << QList<Key>({largeKey(0)});
        QList<Key> smallFirst = {smallKey(0)};
        smallFirst += thirteenLarge;
        QTest::newRow("large goes before an older small one")
            << smallFirst << QList<Key>({largeKey(0)});
        QList<Key> allSmall;
        for (int page = 0; page < 401; ++page)
            allSmall.append(smallKey(page));
        QTest::newRow("401st small evicts the oldest") << allSmall << QList<Key>({smallKey(0)});
        QList<Key> mixed = {smallKey(1000), smallKey(1001), largeKey(5)};
        for (int page = 0; page < 398; ++page)
            mixed.append(smallKey(page));
        QTest::newRow("401 with a large one evicts the large one")
            << mixed << QList<Key>({largeKey(5)});
        QTest::newRow("at the bound nothing goes") << thirteenLarge.mid(0, 12) << QList<Key>();
        // Exactly 400 000 pixels is not large.
        QList<Key> borderline;
        for (int page = 0; page < 20; ++page)
            borderline.append({page, 800, 500});
        QTest::newRow("400000 pixels is not large") << borderline << QList<Key>();
    }

    void cacheBoundEvictsLargeImagesFirst() {
        QFETCH(QList<Key>, stored);
        QFETCH(QList<Key>, evicted);
        SlideRenderer renderer(url("wide.pdf"));
        for (const Key& key : stored) {
            renderer.store(tinyImage(), key);
            renderer.cached(stored.first()); // a lookup does not protect from eviction
        }
        QList<Key> expected = stored;
        for (const Key& key : evicted)
            expected.removeOne(key);
        QCOMPARE(renderer.order(), expected);
        for (const Key& key : evicted)
            QVERIFY(!renderer.cached(key));
        for (const Key& key : expected)
            QVERIFY(renderer.cached(key));
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
        SlideRenderer renderer(url(file));
        int calls = 0;
        renderer.request(key, [&](const QImage&) { ++calls; });
        QTRY_VERIFY(!renderer.isPending(key));
        QTest::qWait(50);
        QCOMPARE(calls, 0);
        QVERIFY(!renderer.cached(key));
        // The failed key is not stuck: the next request tries again.
        renderer.request(key, [&](const QImage&) { ++calls; });
        QVERIFY(renderer.isPending(key));
        QTRY_VERIFY(!renderer.isPending(key));
        QCOMPARE(calls, 0);
    }

    // A view request overtakes queued prefetches; one waiting for a queued prefetch of the same
    // key promotes it. At most what is already in flight finishes first.
    void viewRequestsOvertakePrefetches_data() {
        QTest::addColumn<Key>("view");
        QTest::addColumn<int>("finishedBefore");
        QTest::newRow("another page") << Key{39, 320, 240} << 1;
        QTest::newRow("a page already queued") << Key{29, 640, 480} << 2;
    }

    void viewRequestsOvertakePrefetches() {
        QFETCH(Key, view);
        QFETCH(int, finishedBefore);
        SlideRenderer renderer(url("heavy.pdf"));
        for (int page = 0; page < 30; ++page)
            renderer.request({page, 640, 480});
        qsizetype prefetchesDone = -1;
        renderer.request(view, [&](const QImage&) { prefetchesDone = renderer.order().size(); });
        QTRY_VERIFY_WITH_TIMEOUT(prefetchesDone >= 0, 30000);
        QVERIFY2(prefetchesDone <= finishedBefore, qPrintable(QString::number(prefetchesDone)));
    }

    void releasingARendererDropsItsWork() {
        // One render of the same page, opening included, is the yardstick: waiting for the
        // queue would take about ten of them.
        QElapsedTimer single;
        single.start();
        {
            SlideRenderer reference(url("heavy.pdf"));
            bool rendered = false;
            reference.request({0, 3840, 2160}, [&](const QImage&) { rendered = true; });
            QTRY_VERIFY_WITH_TIMEOUT(rendered, 60000);
        }
        const qint64 oneRender = single.elapsed();

        int calls = 0;
        {
            auto renderer = std::make_unique<SlideRenderer>(url("heavy.pdf"));
            for (int page = 0; page < 10; ++page)
                renderer->request({page, 3840, 2160}, [&](const QImage&) { ++calls; });
            QTest::qWait(20); // let the first page get under way
            QElapsedTimer waited;
            waited.start();
            renderer.reset();
            // Only the render in flight is awaited, never the queue.
            QVERIFY2(waited.elapsed() < 3 * oneRender,
                     qPrintable(QStringLiteral("%1 ms, one render %2 ms")
                                    .arg(waited.elapsed())
                                    .arg(oneRender)));
        }
        QTest::qWait(200);
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
            renderer = std::make_unique<SlideRenderer>(url(round % 2 ? "heavy.pdf" : "wide.pdf"));
            renderer->request({0, 1920, 1080}, [&, round](const QImage&) {
                if (replaced[round])
                    ++lateAnswers;
                lastAnswered = round == 4;
            });
            QTest::qWait(round * 5);
        }
        QTRY_VERIFY_WITH_TIMEOUT(lastAnswered, 10000);
        QTest::qWait(100);
        QCOMPARE(lateAnswers, 0);
    }

    void backEndReportsWhyAFileDoesNotOpen_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("password");
        QTest::addColumn<OpenStatus>("status");
        QTest::newRow("missing") << "missing.pdf" << QString() << OpenStatus::notFound;
        QTest::newRow("not a pdf") << "text.pdf" << QString() << OpenStatus::notPdf;
        QTest::newRow("truncated pdf") << "truncated.pdf" << QString() << OpenStatus::damaged;
        QTest::newRow("locked") << "locked.pdf" << QString() << OpenStatus::needsPassword;
        QTest::newRow("wrong password") << "locked.pdf"
                                        << "guess" << OpenStatus::wrongPassword;
        QTest::newRow("right password") << "locked.pdf"
                                        << "user" << OpenStatus::ok;
        QTest::newRow("owner password only") << "owner.pdf" << QString() << OpenStatus::ok;
    }
    void backEndReportsWhyAFileDoesNotOpen() {
        QFETCH(QString, file);
        QFETCH(QString, password);
        QFETCH(OpenStatus, status);
        if (!QFile::exists(folder.filePath("locked.pdf"))) {
            QVERIFY(TestPdfs::encrypt(folder.filePath("wide.pdf"), folder.filePath("locked.pdf"),
                                      "user"));
            QVERIFY(TestPdfs::encrypt(folder.filePath("wide.pdf"), folder.filePath("owner.pdf"),
                                      QString()));
            QFile text(folder.filePath("text.pdf"));
            QVERIFY(text.open(QIODevice::WriteOnly));
            text.write("just some words\n");
            QFile whole(folder.filePath("wide.pdf"));
            QVERIFY(whole.open(QIODevice::ReadOnly));
            QFile truncated(folder.filePath("truncated.pdf"));
            QVERIFY(truncated.open(QIODevice::WriteOnly));
            truncated.write(whole.read(40));
        }
        OpenStatus reported = OpenStatus::ok;
        const auto document =
            defaultEngineFactory().open(folder.filePath(file), password, &reported);
        QCOMPARE(reported, status);
        QCOMPARE(bool(document), status == OpenStatus::ok);
        if (document) {
            QCOMPARE(document->pageCount(), 3);
            QCOMPARE(document->pageSize(2), QSizeF(320, 180));
            QCOMPARE(document->pageSize(3), QSizeF());
        }
    }

    // A region of the page fills the whole image: the right half of a red | blue page is blue.
    void backEndDrawsARegionOfThePage() {
        QVERIFY(TestPdfs::write(folder.filePath("halves.pdf"),
                                {page({0, 0, 400, 200}, {}, 0,
                                      TestPdfs::fill({0, 0, 200, 200}, "1 0 0") +
                                          TestPdfs::fill({200, 0, 200, 200}, "0 0 1"))}));
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
};

ORVL_TEST_MAIN(SlideRendererTest)
#include "SlideRendererTest.moc"
