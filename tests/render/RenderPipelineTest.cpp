// The render pipeline against a scripted engine: what is drawn first, what is dropped, what the
// cache keeps, and that views get exactly their size.
#include "document/Deck.h"
#include "render/ImageCache.h"
#include "render/RenderPlan.h"
#include "render/SlideRenderer.h"
#include "support/FakeEngine.h"
#include "support/OpenDeck.h"
#include "support/TestSupport.h"
#include "ui/common/SlideView.h"

using Key = RenderKey;
using Priority = RenderPriority;

namespace {

const QSize audience(320, 180);

Key key(qint64 page, QSize size = audience) {
    return {page, size.width(), size.height()};
}

// Requesters only need distinct addresses.
const char viewA = 0, viewB = 0, viewC = 0, viewD = 0, viewE = 0, plan = 0;

} // namespace

class RenderPipelineTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder;
    std::unique_ptr<FakeEngineScript> script;
    std::unique_ptr<SlideRenderer> renderer;
    RenderPlan audiencePlan;

    void makeRenderer(qint64 cacheBytes = 512 * 1024 * 1024, int workers = 1) {
        renderer.reset();
        script = std::make_unique<FakeEngineScript>();
        renderer = std::make_unique<SlideRenderer>(QUrl::fromLocalFile("deck.pdf"), script->pages,
                                                   script->factory(workers), cacheBytes);
    }
    // The projector's plan at `page`, drawing the whole deck ahead while presenting.
    void planAudience(qint64 page, bool presenting, std::function<qint64(qint64, int)> step = {}) {
        RenderPlan::Inputs inputs;
        inputs.page = page;
        inputs.pageCount = script->pages.size();
        inputs.step = std::move(step);
        inputs.audience = audience;
        inputs.presenting = presenting;
        audiencePlan.apply(*renderer, inputs);
    }
    // Lets every queued draw finish, one at a time, and waits until nothing is left.
    void drainAll() {
        for (int round = 0; round < 200; ++round) {
            script->release(1);
            QTest::qWait(5);
        }
    }

private slots:
    void init() { makeRenderer(); }
    void cleanup() { renderer.reset(); }

    // Everything asked for in one turn of the event loop, least urgent first: the audience's
    // view is drawn first and the whole deck ahead last.
    void drawsWhatTheAudienceWaitsForFirst() {
        renderer->prefetch(&plan, Priority::deckAhead, {key(10)});
        renderer->request(key(5, {40, 22}), {}, Priority::thumbnail, &viewA);
        renderer->prefetch(&viewB, Priority::consolePrefetch, {key(6, {100, 56})});
        renderer->prefetch(&viewC, Priority::audiencePrefetch, {key(7)});
        renderer->request(key(8, {100, 56}), {}, Priority::consoleView, &viewD);
        renderer->request(key(9), {}, Priority::audienceView, &viewE);
        drainAll();
        QCOMPARE(script->startedPages(), QList<qint64>({9, 8, 7, 6, 5, 10}));
    }

    // A view's newer request replaces its older one: the older is never drawn (or stopped if
    // already drawing) and its callback never runs; the same key asked twice is drawn once.
    void newerRequestSupersedesTheOlder() {
        QList<qint64> answered;
        const auto answer = [&answered](qint64 page) {
            return [&answered, page](const QImage&) { answered.append(page); };
        };
        renderer->request(key(1), answer(1), Priority::audienceView, &viewA);
        QTRY_COMPARE(script->startedPages(), QList<qint64>({1}));
        renderer->request(key(2), answer(2), Priority::audienceView, &viewA);
        renderer->request(key(3), answer(3), Priority::consoleView, &viewB);
        renderer->request(key(3), answer(3), Priority::consoleView, &viewB);
        renderer->request(key(3), answer(30), Priority::consoleView, &viewC);
        // Page 1 is cancelled in flight, so page 2 starts without it being released.
        QTRY_COMPARE(script->startedPages(), QList<qint64>({1, 2}));
        drainAll();
        QCOMPARE(script->startedPages(), QList<qint64>({1, 2, 3}));
        QCOMPARE(answered, QList<qint64>({2, 3, 30}));
        QVERIFY(!renderer->images().contains(key(1)));
        bool hit = false;
        renderer->request(
            key(2), [&hit](const QImage&) { hit = true; }, Priority::audienceView, &viewA);
        QVERIFY(hit); // a cache hit answers before request returns
    }

    // After a jump the plan for the old place is dropped, except what is already being drawn.
    void prefetchesOfTheOldPlaceAreDroppedAfterAJump() {
        planAudience(0, false);
        QTRY_COMPARE(script->startedPages(), QList<qint64>({0}));
        planAudience(12, false);
        drainAll();
        QCOMPARE(script->startedPages(), QList<qint64>({0, 12, 13, 14, 11, 15, 16}));
        // With page 17 hidden the talk steps from 15 to 16, 18 and 19 (the last): 17 is never
        // drawn.
        const auto overHidden = [](qint64 from, int direction) {
            const qint64 to = from + direction;
            return to == 17 ? to + direction : to;
        };
        planAudience(15, false, overHidden);
        drainAll();
        QCOMPARE(script->startedPages().mid(7), QList<qint64>({18, 19}));
    }

    // The whole deck is drawn ahead only into free budget: nothing asked for is pushed out.
    void wholeDeckAheadStopsAtTheBudget() {
        makeRenderer(8 * ImageCache::bytesFor(key(0)));
        planAudience(0, true);
        drainAll();
        QCOMPARE(script->startedPages(), QList<qint64>({0, 1, 2, 3, 4, 5, 6, 7}));
        QVERIFY(renderer->images().bytes() <= renderer->images().budget());
    }

    // Least recently used first, never the neighbourhood of the current slide.
    void byteBudgetEvictionKeepsTheNeighbourhood() {
        const QImage image = [] {
            QImage filled(audience, QImage::Format_RGB32);
            filled.fill(Qt::white);
            return filled;
        }();
        ImageCache cache(6 * image.sizeInBytes());
        cache.protect(9, 12);
        for (qint64 page = 8; page <= 13; ++page)
            cache.store(key(page), image);
        QVERIFY(cache.use(key(8))); // page 8 is now the most recently used
        cache.store(key(0), image);
        QCOMPARE(cache.keys(), QList<Key>({key(9), key(10), key(11), key(12), key(8), key(0)}));
        // Over budget with only protected images left: they stay.
        cache.protect(0, 20);
        for (qint64 page = 14; page <= 16; ++page)
            cache.store(key(page), image);
        QCOMPARE(cache.keys().size(), 9);
    }

    // An engine answer of the wrong size, or none, is a page that cannot be shown: black at the
    // key's size, marked failed, and not drawn again.
    void aPageTheEngineFailsOnIsBlack() {
        script->wrongSize = true;
        QList<QImage> answers;
        renderer->request(
            key(4), [&answers](const QImage& image) { answers.append(image); },
            Priority::audienceView, &viewA);
        drainAll();
        QCOMPARE(answers.size(), 1);
        QCOMPARE(answers.first().size(), audience);
        QCOMPARE(answers.first().pixelColor(160, 90), QColor(Qt::black));
        QVERIFY(renderer->hasFailed(4));
        QVERIFY(!renderer->hasFailed(5));
        const int drawn = script->started().size();
        renderer->request(key(4), {}, Priority::audienceView, &viewB);
        drainAll();
        QCOMPARE(script->started().size(), drawn);
    }

    // Console images are scaled down from the projector's image of the same page, not drawn.
    void consoleImagesAreDerivedFromTheAudienceImage() {
        renderer->request(key(3), {}, Priority::audienceView, &viewA);
        drainAll();
        QImage console;
        renderer->request(
            key(3, {100, 56}), [&console](const QImage& image) { console = image; },
            Priority::consoleView, &viewB);
        QTRY_VERIFY(!console.isNull());
        QCOMPARE(console.size(), QSize(100, 56));
        QCOMPARE(script->startedPages(), QList<qint64>({3}));
        QCOMPARE(console.pixel(50, 28), QColor::fromHsv(3 * 17, 200, 200).rgb());
    }

    // A page known to draw slowly is drawn in bands, handed to the workers one at a time as they
    // come free, and put together in place; a worker coming free takes anything more urgent
    // first. Withdrawn, it hands out no more. Only a slow draw at a size not much smaller makes
    // a page slow.
    void slowPagesAreDrawnInBandsThatYieldToMoreUrgentDraws() {
        const QSize large(3840, 2160);
        makeRenderer(512 * 1024 * 1024, 2);
        renderer->request(key(2, {40, 22}), {}, Priority::thumbnail, &viewA);
        QTRY_COMPARE(script->started().size(), 1);
        // Held long enough to count as slow at any size.
        QTest::qWait(250);
        script->release(1);
        QTRY_VERIFY(renderer->images().contains(key(2, {40, 22})));
        QImage image;
        renderer->request(
            key(2, large), [&image](const QImage& drawn) { image = drawn; }, Priority::audienceView,
            &viewA);
        QTRY_COMPARE(script->started().size(), 3);
        QCOMPARE(script->started().at(1).second, QSize(3840, 135));
        QCOMPARE(script->started().at(2).second, QSize(3840, 135));
        script->release(1);
        QTRY_COMPARE(script->started().size(), 4);
        QTest::qWait(20);
        QCOMPARE(script->started().size(), 4);
        QVERIFY(renderer->isPending(key(2, large)));
        script->release();
        QTRY_VERIFY(!image.isNull());
        QCOMPARE(script->started().size(), 17);
        QCOMPARE(image.size(), large);
        QCOMPARE(image.pixel(100, 134), QColor::fromHsv(2 * 17, 200, 200).rgb());
        QCOMPARE(image.pixel(3000, 135), QColor::fromHsv(2 * 17, 200, 100).rgb());
        QCOMPARE(image.pixel(10, 2159), QColor::fromHsv(2 * 17, 200, 100).rgb());
        QVERIFY(renderer->images().contains(key(2, large)));

        // Begun as the deck ahead, it lets the next free worker draw a thumbnail first.
        script->hold();
        renderer->request(key(10, {40, 22}), {}, Priority::thumbnail, &viewB);
        QTRY_COMPARE(script->started().size(), 18);
        QTest::qWait(250);
        script->release(1);
        QTRY_VERIFY(renderer->images().contains(key(10, {40, 22})));
        renderer->prefetch(&plan, Priority::deckAhead, {key(10, {1920, 1080})});
        QTRY_COMPARE(script->started().size(), 20);
        renderer->request(key(4, {40, 22}), {}, Priority::thumbnail, &viewB);
        QTest::qWait(20);
        QCOMPARE(script->started().size(), 20);
        script->release(1);
        QTRY_COMPARE(script->started().size(), 21);
        QCOMPARE(script->started().last().first, qint64(4));
        script->release();
        QTRY_VERIFY(renderer->images().contains(key(10, {1920, 1080})));
        QCOMPARE(script->started().size(), 35);

        script->hold();
        const int before = int(script->started().size());
        renderer->request(key(6, {40, 22}), {}, Priority::thumbnail, &viewB);
        QTRY_COMPARE(script->started().size(), before + 1);
        QTest::qWait(250);
        script->release(1);
        QTRY_VERIFY(renderer->images().contains(key(6, {40, 22})));
        renderer->request(key(6, large), {}, Priority::audienceView, &viewA);
        QTRY_COMPARE(script->started().size(), before + 3);
        renderer->withdraw(&viewA);
        QTRY_VERIFY(!renderer->isPending(key(6, large)));
        QTest::qWait(20);
        QCOMPARE(script->started().size(), before + 3);
        QVERIFY(!renderer->images().contains(key(6, large)));

        // A thumbnail's 20 ms says little of the page at 4K (mostly reading the page): whole.
        renderer->request(key(8, {40, 22}), {}, Priority::thumbnail, &viewB);
        QTRY_COMPARE(script->started().size(), before + 4);
        QTest::qWait(20);
        script->release();
        QTRY_VERIFY(renderer->images().contains(key(8, {40, 22})));
        renderer->request(key(8, large), {}, Priority::audienceView, &viewA);
        QTRY_VERIFY(renderer->images().contains(key(8, large)));
        QCOMPARE(script->started().size(), before + 5);
        QCOMPARE(script->started().last().second, large);
    }

    // A prefetched page nothing is known of is read first: one slow to read is drawn in bands
    // from its first draw on, any other whole. Views on screen are drawn at once.
    void prefetchesReadUnknownPagesFirstAndBandThoseSlowToRead() {
        const QSize full(1920, 1080);
        makeRenderer(512 * 1024 * 1024, 2);
        script->setSlowReads({3});
        script->release();
        renderer->prefetch(&plan, Priority::audiencePrefetch, {key(3, full), key(5, full)});
        QTRY_VERIFY(renderer->images().contains(key(3, full)));
        QTRY_VERIFY(renderer->images().contains(key(5, full)));
        renderer->request(key(7, full), {}, Priority::audienceView, &viewA);
        QTRY_VERIFY(renderer->images().contains(key(7, full)));
        // The view is read at most once, by the other worker reading along; page 3 may be read
        // along too, by the worker done with page 5.
        const QList<qint64> read = script->reads();
        QVERIFY(read.contains(3) && read.contains(5) && read.count(5) == 1 && read.count(7) <= 1);
        QVERIFY(QSet<qint64>(read.begin(), read.end()).subtract({3, 5, 7}).isEmpty());
        QList<QSize> page3;
        QList<QSize> others;
        for (const auto& [page, size] : script->started())
            (page == 3 ? page3 : others).append(size);
        QCOMPARE(page3.size(), 16);
        QCOMPARE(page3.first().height(), 67);
        QCOMPARE(others, QList<QSize>({full, full}));
    }

    // While a worker draws a page nothing is known of, a free one reads it, and gives way to any
    // image asked for. A read along that finds the page slow has its next draw go out in bands.
    void idleWorkersReadAlongAndGiveWay() {
        const QSize full(1920, 1080);
        makeRenderer(512 * 1024 * 1024, 2);
        script->setSlowReads({3, 8});
        renderer->request(key(8), {}, Priority::audienceView, &viewA);
        QTRY_COMPARE(script->reads(), QList<qint64>({8}));
        renderer->request(key(9), {}, Priority::consoleView, &viewB);
        QTRY_COMPARE(script->readsCancelled(), QList<qint64>({8}));
        QTRY_COMPARE(script->startedPages(), QList<qint64>({8, 9}));
        // A worker that reads along again while the other finishes is done at once, and back.
        script->setSlowReads({3});
        script->release();
        QTRY_VERIFY(renderer->images().contains(key(8)));
        QTRY_VERIFY(renderer->images().contains(key(9)));
        QTRY_COMPARE(script->readsEnded().size(), script->reads().size());
        QTest::qWait(20);

        renderer->request(key(3), {}, Priority::audienceView, &viewA);
        QTRY_VERIFY(renderer->images().contains(key(3)));
        QTRY_COMPARE(script->readsEnded().count(3), 1);
        QTest::qWait(20);
        renderer->request(key(3, full), {}, Priority::audienceView, &viewA);
        QTRY_VERIFY(renderer->images().contains(key(3, full)));
        int bands = 0;
        for (const auto& [page, size] : script->started())
            bands += page == 3 && size.width() == full.width() ? 1 : 0;
        QCOMPARE(bands, 16);
    }

    // A hidden view asks for nothing; shown, it asks for its exact size. The audience's view,
    // resized, shows black rather than its old image stretched.
    void viewsRequestOnlyWhileShownAndTheAudienceOnlyExactly() {
        // The fixture's renderer goes first: its workers use the script.
        renderer.reset();
        script = std::make_unique<FakeEngineScript>();
        QVERIFY(folder.isValid());
        const QString path = folder.filePath("deck.pdf");
        QFile(path).open(QIODevice::WriteOnly);
        Deck deck(script->factory());
        QVERIFY(TestSupport::openDeck(deck, QUrl::fromLocalFile(path)));
        SlideView view;
        view.setPriority(Priority::audienceView);
        view.setDeck(&deck);
        view.resize(160, 90);
        view.setPage(2);
        view.refresh();
        QTest::qWait(20);
        QVERIFY(script->started().isEmpty());
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QSize shown = view.pixelKeySize();
        QTRY_COMPARE(script->started().size(), 1);
        QCOMPARE(script->started().first().second.width(), shown.width());
        script->release(1);
        QTRY_VERIFY(view.image().has_value());
        view.resize(200, 100);
        QTRY_COMPARE(script->started().size(), 2);
        const QImage grabbed = view.grab().toImage();
        QCOMPARE(grabbed.pixelColor(grabbed.width() / 2, grabbed.height() / 2), QColor(Qt::black));
        script->release();
        QTRY_COMPARE(view.image()->size(), view.pixelKeySize());
    }
};

ORVL_TEST_MAIN(RenderPipelineTest)
#include "RenderPipelineTest.moc"
