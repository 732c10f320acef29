// Where tools land on a slide in views of every size, and the tool state's answers to Esc, freeze
// and slide changes.
#include "drawing/SlideGeometry.h"
#include "drawing/ToolState.h"
#include "support/TestSupport.h"

namespace {

bool near(QPointF a, QPointF b, double tolerance) {
    return std::abs(a.x() - b.x()) <= tolerance && std::abs(a.y() - b.y()) <= tolerance;
}

} // namespace

class ToolGeometryTest : public QObject {
    Q_OBJECT

private slots:
    void strokeLandsOnTheSameSlidePoint_data() {
        QTest::addColumn<QSizeF>("pageSize");
        QTest::addColumn<QSize>("console");
        QTest::addColumn<double>("consoleRatio");
        QTest::addColumn<QSize>("projector");
        QTest::addColumn<double>("projectorRatio");
        QTest::addColumn<QRectF>("expectedTarget");
        // 16:9 slide, letter-boxed on the console, filling a 4K projector.
        QTest::newRow("4K") << QSizeF(1600, 900) << QSize(800, 600) << 1.0 << QSize(3840, 2160)
                            << 1.0 << QRectF(0, 0, 3840, 2160);
        // 4:3 slide pillar-boxed on a 16:9 projector.
        QTest::newRow("4:3 pillar-boxed") << QSizeF(1024, 768) << QSize(900, 500) << 1.0
                                          << QSize(1920, 1080) << 1.0 << QRectF(240, 0, 1440, 1080);
        // A page rotated to portrait (its displayed size), on a HiDPI console.
        QTest::newRow("rotated, HiDPI") << QSizeF(900, 1600) << QSize(1200, 800) << 2.0
                                        << QSize(1920, 1080) << 1.0 << QRectF(656, 0, 608, 1080);
    }
    void strokeLandsOnTheSameSlidePoint() {
        QFETCH(QSizeF, pageSize);
        QFETCH(QSize, console);
        QFETCH(double, consoleRatio);
        QFETCH(QSize, projector);
        QFETCH(double, projectorRatio);
        QFETCH(QRectF, expectedTarget);
        const auto onConsole = SlideGeometry::letterboxed(pageSize, console, consoleRatio);
        const auto onProjector = SlideGeometry::letterboxed(pageSize, projector, projectorRatio);
        QCOMPARE(onProjector.target, expectedTarget);
        for (const QPointF page : {QPointF(0, 0), QPointF(1, 1), QPointF(0.25, 0.7)}) {
            // Drawn at the console's view point of `page`, it lands there on the projector.
            const QPointF drawn = onConsole.toPage(onConsole.toView(page));
            QVERIFY(near(drawn, page, 1e-9));
            const QPointF shown = onProjector.toView(drawn);
            const QPointF expected(expectedTarget.x() + page.x() * expectedTarget.width(),
                                   expectedTarget.y() + page.y() * expectedTarget.height());
            QVERIFY2(near(shown, expected, 1e-6),
                     qPrintable(QStringLiteral("%1,%2").arg(shown.x()).arg(shown.y())));
        }
        // The letter-box bars are off the slide.
        QVERIFY(!onConsole.contains(QPointF(onConsole.target.left() - 1, onConsole.target.top())) ||
                onConsole.target.left() < 1);
    }

    void zoomShowsItsRegionAcrossTheView() {
        const QRectF region(0.5, 0.5, 0.25, 0.25);
        const auto zoomed =
            SlideGeometry::letterboxed(QSizeF(1600, 900), QSize(1920, 1080), 1.0, region);
        QCOMPARE(zoomed.target, QRectF(0, 0, 1920, 1080));
        QVERIFY(near(zoomed.toView(QPointF(0.625, 0.625)), QPointF(960, 540), 1e-9));
        QVERIFY(near(zoomed.toPage(QPointF(0, 0)), QPointF(0.5, 0.5), 1e-9));
        // The page's height counts the enlargement: strokes keep their width on the slide.
        QCOMPARE(zoomed.pageHeight(), 1080 * 4.0);
    }

    void zoomRegionTakesTheSlidesShapeInsideIt() {
        const QSizeF page(1600, 900);
        const QRectF slide(0, 0, 1, 1);
        // A tall, thin rectangle grows sideways to the slide's shape around its centre.
        QRectF region = SlideGeometry::zoomRegion(QRectF(0.4, 0.2, 0.05, 0.4), slide, page);
        QVERIFY(near(region.center(), QPointF(0.425, 0.4), 1e-9));
        QCOMPARE(region.width() * page.width() / (region.height() * page.height()), 16.0 / 9.0);
        // A rectangle at the edge moves inside the slide; a tiny one gets the smallest zoom.
        region = SlideGeometry::zoomRegion(QRectF(0.98, 0.98, 0.001, 0.001), slide, page);
        QVERIFY(slide.contains(region));
        QVERIFY(qFuzzyCompare(region.width(), 0.08));
        QCOMPARE(region.right(), 1.0);
        // Dragged backwards, the same.
        QCOMPARE(SlideGeometry::zoomRegion(QRectF(0.6, 0.6, -0.2, -0.2), slide, page),
                 SlideGeometry::zoomRegion(QRectF(0.4, 0.4, 0.2, 0.2), slide, page));
    }

    void escapeLeavesOneThingAtATime() {
        ToolState state;
        state.choose(ToolState::Tool::pen);
        state.toggleFreeze();
        state.showBoard(1);
        state.zoomTo(QRectF(0.1, 0.1, 0.3, 0.3));
        QVERIFY(state.escape());
        QVERIFY(!state.zoom());
        QVERIFY(state.frozen());
        QVERIFY(state.escape());
        QVERIFY(!state.frozen());
        QCOMPARE(state.tool(), ToolState::Tool::pen);
        QVERIFY(state.escape());
        QCOMPARE(state.tool(), ToolState::Tool::none);
        QCOMPARE(state.board(), 1);
        QVERIFY(state.escape());
        QCOMPARE(state.board(), 0);
        // Nothing left: Esc goes on to the talk.
        QVERIFY(!state.escape());
    }

    void toolsZoomAndSlideChanges() {
        ToolState state;
        state.choose(ToolState::Tool::highlighter);
        QCOMPARE(state.ink(), Ink::highlighter);
        // The zoom hands the highlighter back once a region is chosen.
        state.choose(ToolState::Tool::zoom);
        QVERIFY(state.takesClicks());
        state.zoomTo(QRectF(0.2, 0.2, 0.2, 0.2));
        QCOMPARE(state.tool(), ToolState::Tool::highlighter);
        state.toggleFreeze();
        state.showBoard(2);
        // Another slide: the zoom and the whiteboard end, the tool and the frozen projector stay.
        state.pageChanged(4);
        QVERIFY(!state.zoom());
        QCOMPARE(state.board(), 0);
        QVERIFY(state.frozen());
        QCOMPARE(state.tool(), ToolState::Tool::highlighter);
        // The tool in hand again puts it away; the pointer takes no clicks.
        state.choose(ToolState::Tool::highlighter);
        QCOMPARE(state.tool(), ToolState::Tool::none);
        state.choose(ToolState::Tool::pointer);
        QVERIFY(!state.takesClicks());
    }

    void inksKeepTheirOwnChoices() {
        ToolState state;
        state.choose(ToolState::Tool::pen);
        state.nextColour();
        state.chooseWidth(99);
        const QColor pen = state.colour();
        QCOMPARE(state.width(), ToolState::widths(Ink::pen).last());
        state.choose(ToolState::Tool::highlighter);
        QCOMPARE(state.colour(), ToolState::colours(Ink::highlighter).first());
        state.choose(ToolState::Tool::pen);
        QCOMPARE(state.colour(), pen);
        state.scaleSpotlight(-1000);
        QCOMPARE(state.spotlightRadius(), 0.05);
    }
};

ORVL_TEST_MAIN(ToolGeometryTest)
#include "ToolGeometryTest.moc"
