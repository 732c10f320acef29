// What is drawn ahead: the projector's neighbours at its size, the console's next steps at its
// views' sizes, hidden pages stepped over, whole-slide jumps, the whole deck only while
// presenting.
#include "render/RenderPlan.h"
#include "support/TestSupport.h"

namespace {

const QSize projector(1920, 1080);
const QSize current(744, 419);
const QSize next(456, 257);

QList<qint64> pagesAt(const QList<RenderKey>& keys, QSize size) {
    QList<qint64> pages;
    for (const RenderKey& key : keys) {
        if (QSize(key.width, key.height) == size)
            pages.append(key.page);
    }
    return pages;
}

} // namespace

class RenderPlanTest : public QObject {
    Q_OBJECT
private slots:
    void keys_data() {
        QTest::addColumn<qint64>("page");
        QTest::addColumn<QList<qint64>>("hidden");
        QTest::addColumn<bool>("slides");
        QTest::addColumn<QList<qint64>>("audience");
        QTest::addColumn<QList<qint64>>("currentSized");
        QTest::addColumn<QList<qint64>>("nextSized");
        using Pages = QList<qint64>;
        QTest::newRow("middle of the deck")
            << qint64(5) << Pages{} << false << Pages{5, 6, 7, 4, 8, 9} << Pages{6, 7, 4}
            << Pages{7, 8};
        QTest::newRow("first slide")
            << qint64(0) << Pages{} << false << Pages{0, 1, 2, 3, 4} << Pages{1, 2} << Pages{2, 3};
        QTest::newRow("last slide")
            << qint64(11) << Pages{} << false << Pages{11, 10} << Pages{10} << Pages{};
        QTest::newRow("hidden pages are never drawn ahead")
            << qint64(1) << Pages{2, 3} << false << Pages{1, 4, 5, 0, 6, 7} << Pages{4, 5, 0}
            << Pages{5, 6};
        // Slides 0, 1-3, 4, 5-7, 8-11; the next view shows how the next slide ends.
        QTest::newRow("slides of several steps: the jumps and the next slides' ends")
            << qint64(2) << Pages{} << true << Pages{2, 3, 4, 1, 0, 5, 6} << Pages{3, 4, 1, 0}
            << Pages{7, 3};
    }
    void keys() {
        QFETCH(qint64, page);
        QFETCH(QList<qint64>, hidden);
        QFETCH(bool, slides);
        RenderPlan::Inputs inputs;
        inputs.page = page;
        inputs.pageCount = 12;
        inputs.step = [&hidden](qint64 from, int direction) {
            qint64 to = from + direction;
            while (hidden.contains(to))
                to += direction;
            return to >= 0 && to < 12 ? to : from;
        };
        if (slides) {
            const QList<qint64> firstPages{0, 1, 4, 5, 8, 12};
            inputs.jumps = {4, 0};
            inputs.nextShown = [firstPages](qint64 page) -> std::optional<qint64> {
                const auto after = std::upper_bound(firstPages.begin(), firstPages.end(), page);
                if (after + 1 >= firstPages.end())
                    return std::nullopt;
                return *(after + 1) - 1;
            };
        }
        inputs.audience = projector;
        inputs.consoleCurrent = current;
        inputs.consoleNext = next;
        const RenderPlan::Keys keys = RenderPlan::keys(inputs);
        QTEST(pagesAt(keys.audience, projector), "audience");
        QTEST(pagesAt(keys.console, current), "currentSized");
        QTEST(pagesAt(keys.console, next), "nextSized");
        QVERIFY(keys.deckAhead.isEmpty());
    }

    // While presenting the rest of the deck follows, ahead first; a view not shown asks nothing.
    void wholeDeckWhilePresenting() {
        RenderPlan::Inputs inputs;
        inputs.page = 3;
        inputs.pageCount = 12;
        inputs.audience = projector;
        inputs.presenting = true;
        const RenderPlan::Keys keys = RenderPlan::keys(inputs);
        QCOMPARE(pagesAt(keys.deckAhead, projector), (QList<qint64>{8, 9, 10, 11, 1, 0}));
        QVERIFY(keys.console.isEmpty());
        inputs.audience = QSize();
        QVERIFY(RenderPlan::keys(inputs).audience.isEmpty());
    }
};

ORVL_TEST_MAIN(RenderPlanTest)
#include "RenderPlanTest.moc"
