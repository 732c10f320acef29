// The presenter view's geometry, computed in its own coordinates (y down) and placed on whole
// pixels.
#include "support/TestSupport.h"
#include "ui/console/PresenterLayout.h"

using namespace PresenterLayout;

namespace {

Input window(double width, double height = 820, bool hasPages = true) {
    Input input;
    input.width = width;
    input.height = height;
    input.hasPages = hasPages;
    return input;
}

} // namespace

class TestPresenterLayout : public QObject {
    Q_OBJECT
private slots:
    // The worked example: 1400 × 820, a 16:9 deck, default fractions.
    void workedExample() {
        const Frames f = layoutAll(window(1400));
        QCOMPARE(f.sidebar, QRectF(0, 0, 140, 820));
        QCOMPARE(f.current, QRectF(160, 52, 744, 419));
        QCOMPARE(f.next, QRectF(924, 52, 456, 257));
        QCOMPARE(f.slideHandle, QRectF(160 + 744 + 6, 52, 8, 419));
        QCOMPARE(f.sidebarHandle, QRectF(137, 0, 7, 820));
        QCOMPARE(f.currentLabel, QRectF(160, 22, 744, 24));
        QCOMPARE(f.nextLabel, QRectF(924, 22, 456, 24));
        QCOMPARE(f.statusLabel, QRectF(924, 52 + 257 + 12, 456, 22));
        QCOMPARE(f.startButton, QRectF(1140, 820 - 124, 240, 40));
        QCOMPARE(f.nextButton, QRectF(998, 820 - 124, 130, 40));
        QCOMPARE(f.prevButton, QRectF(860, 820 - 124, 130, 40));
        QCOMPARE(f.screenChooser, QRectF(858, 820 - 60, 272, 30));
        QCOMPARE(f.hintLabel, QRectF(160, 820 - 18, 1220, 16));
        QCOMPARE(f.clockLabel, QRectF(408, 820 - 118, 160, 40));
        QVERIFY(f.slidesShown && f.navigationEnabled && !f.emptyStateShown);
    }

    void sidebarWidth_data() {
        QTest::addColumn<double>("width");
        QTest::addColumn<bool>("hasPages");
        QTest::addColumn<double>("fraction");
        QTest::addColumn<int>("columns");
        QTest::addColumn<double>("sidebar");
        QTest::addColumn<double>("left");
        QTest::newRow("no document: no sidebar") << 1400.0 << false << 0.1 << 1 << 0.0 << 20.0;
        QTest::newRow("default") << 1400.0 << true << 0.1 << 1 << 140.0 << 160.0;
        QTest::newRow("narrow window keeps 90") << 800.0 << true << 0.1 << 1 << 90.0 << 110.0;
        QTest::newRow("hand-written 0.9 gives half")
            << 1400.0 << true << 0.9 << 1 << 700.0 << 720.0;
        QTest::newRow("half away from zero") << 1405.0 << true << 0.1 << 1 << 141.0 << 161.0;
        QTest::newRow("three columns, three widths")
            << 1400.0 << true << 0.1 << 3 << 420.0 << 440.0;
        QTest::newRow("four narrow columns stop at half")
            << 700.0 << true << 0.1 << 4 << 350.0 << 370.0;
    }
    void sidebarWidth() {
        QFETCH(double, width);
        QFETCH(bool, hasPages);
        QFETCH(double, fraction);
        QFETCH(double, left);
        Input input = window(width, 820, hasPages);
        input.sidebarFraction = fraction;
        QFETCH(int, columns);
        input.thumbnailColumns = columns;
        const Frames f = layoutAll(input);
        QTEST(f.sidebar.width(), "sidebar");
        QCOMPARE(f.current.x(), left);
        QCOMPARE(f.hintLabel.x(), left);
        QCOMPARE(f.timerCaption.x(), left);
    }

    // Slides hang from the same top edge; the height limit takes over in wide windows.
    void slides_data() {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::addColumn<double>("split");
        QTest::addColumn<double>("aspect");
        QTest::addColumn<QRectF>("current");
        QTest::addColumn<QRectF>("next");
        QTest::newRow("4:3 deck") << 1400.0 << 820.0 << 0.62 << 4.0 / 3.0
                                  << QRectF(160, 52, 744, 558) << QRectF(924, 52, 456, 342);
        QTest::newRow("wide and low window: height limits both")
            << 2400.0 << 560.0 << 0.62 << 16.0 / 9.0 << QRectF(260, 52, 601, 338)
            << QRectF(260 + 1302 + 20, 52, 601, 338);
        QTest::newRow("even split") << 1400.0 << 820.0 << 0.5 << 16.0 / 9.0
                                    << QRectF(160, 52, 600, 338) << QRectF(780, 52, 600, 338);
    }
    void slides() {
        QFETCH(double, width);
        QFETCH(double, height);
        QFETCH(double, split);
        QFETCH(double, aspect);
        QFETCH(QRectF, current);
        QFETCH(QRectF, next);
        Input input = window(width, height);
        input.slideSplit = split;
        input.aspect = aspect;
        const Frames f = layoutAll(input);
        QCOMPARE(f.current, current);
        QCOMPARE(f.next, next);
        QCOMPARE(f.slideHandle.height(), std::max(current.height(), next.height()));
    }

    void externalBlock_data() {
        QTest::addColumn<double>("width");
        QTest::addColumn<Block>("block");
        QTest::addColumn<QRectF>("blockFrame");
        QTest::addColumn<bool>("clockShown");
        QTest::addColumn<double>("clockX");
        QTest::newRow("no block: talk timer and clock")
            << 1400.0 << Block::None << QRectF() << true << 408.0;
        QTest::newRow("block widest at 400")
            << 1400.0 << Block::Ontime << QRectF(160, 820 - 174, 400, 150) << true << 584.0;
        QTest::newRow("block at least 260, clock has no room")
            << 900.0 << Block::Stagetimer << QRectF(110, 820 - 174, 260, 150) << false << 394.0;
    }
    void externalBlock() {
        QFETCH(double, width);
        QFETCH(Block, block);
        Input input = window(width);
        input.activeBlock = block;
        const Frames f = layoutAll(input);
        QCOMPARE(f.talkTimerShown, block == Block::None);
        if (block != Block::None)
            QTEST(f.block, "blockFrame");
        QTEST(f.clockShown, "clockShown");
        QTEST(f.clockLabel.x(), "clockX");
    }

    // A maximised console enlarges the time readouts; they never reach the slides or the buttons,
    // and the standard window (the worked example) keeps them at their base size.
    void timeLabelsGrow_data() {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::addColumn<double>("scale");
        QTest::newRow("standard") << 1400.0 << 820.0 << 1.0;
        QTest::newRow("small stays at base") << 900.0 << 600.0 << 1.0;
        QTest::newRow("maximised full HD") << 1920.0 << 1080.0 << 1080.0 / 820;
        QTest::newRow("tall and narrow: the button row limits")
            << 1300.0 << 1600.0 << (760.0 - 10 - 150) / 410;
        QTest::newRow("4K stops at 2.5") << 3840.0 << 2160.0 << 2.5;
    }
    void timeLabelsGrow() {
        QFETCH(double, width);
        QFETCH(double, height);
        const Frames f = layoutAll(window(width, height));
        QTEST(f.timeScale, "scale");
        const double slidesBottom = std::max(f.current.bottom(), f.next.bottom());
        QVERIFY(f.timerCaption.top() > slidesBottom);
        QVERIFY(f.clockCaption.top() > slidesBottom);
        QVERIFY(f.clockLabel.x() > f.timerLabel.x() + f.timerLabel.width());
        // A window too narrow for the clock beside the buttons leaves it out.
        QCOMPARE(f.clockShown, f.clockLabel.x() + f.clockLabel.width() < f.prevButton.x());
        QVERIFY(!f.timerLabel.intersects(f.pauseButton) && !f.timerLabel.intersects(f.resetButton));
    }

    void emptyState() {
        const Frames f = layoutAll(window(1400, 820, false));
        QVERIFY(f.emptyStateShown && !f.slidesShown && !f.navigationEnabled);
        QVERIFY(f.talkTimerShown && f.clockShown);
        QCOMPARE(f.openButton, QRectF(610, 424, 180, 36));
        QCOMPARE(f.emptyLabel, QRectF(0, 380, 1400, 30));
    }

    // Beside the current slide under the next one while that column is 240 wide, else under the
    // current slide; the slide sharing the column gives way only beyond its share, keeping its
    // shape.
    void notesPane_data() {
        QTest::addColumn<double>("split");
        QTest::addColumn<double>("notesSplit");
        QTest::addColumn<QRectF>("current");
        QTest::addColumn<QRectF>("next");
        QTest::addColumn<QRectF>("notes");
        QTest::newRow("beside: the next slide keeps its size")
            << 0.62 << 0.45 << QRectF(160, 52, 744, 419) << QRectF(924, 52, 456, 257)
            << QRectF(924, 351, 456, 299);
        QTest::newRow("beside, a larger share: the next slide shrinks")
            << 0.62 << 0.7 << QRectF(160, 52, 744, 419) << QRectF(924, 52, 244, 137)
            << QRectF(924, 231, 456, 419);
        QTest::newRow("a narrow column: under the current slide")
            << 0.85 << 0.45 << QRectF(160, 52, 510, 287) << QRectF(1200, 52, 180, 101)
            << QRectF(160, 353, 1020, 297);
    }
    void notesPane() {
        QFETCH(double, split);
        QFETCH(double, notesSplit);
        Input input = window(1400);
        input.slideSplit = split;
        input.notesWanted = true;
        input.notesSplit = notesSplit;
        const Frames f = layoutAll(input);
        QTEST(f.current, "current");
        QTEST(f.next, "next");
        QTEST(f.notes, "notes");
        QVERIFY(f.notesShown);
        QCOMPARE(f.notesHandle, QRectF(f.notes.x(), f.notes.top() - 7, f.notes.width(), 7));
        QVERIFY2(f.statusLabel.bottom() <= f.notes.top() || f.notes.right() <= f.next.x(),
                 "the status line stays clear");

        input.notesWanted = false;
        QVERIFY(!layoutAll(input).notesShown);
        input.notesWanted = true;
        input.hasPages = false;
        QVERIFY(!layoutAll(input).notesShown);
    }

    // The geometry above is placed as it is; halves round away from zero.
    void roundingHalvesAway() {
        QCOMPARE(PresenterLayout::rounded(QRectF(609.5, 423.5, 180, 36)), QRect(610, 424, 180, 36));
    }
};

ORVL_TEST_MAIN(TestPresenterLayout)
#include "tst_presenterlayout.moc"
