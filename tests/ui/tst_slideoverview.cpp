// The overview's grid, its keys and its mouse: sized so that every slide fits where it can,
// scrolling where it cannot, and telling the talk only of the slide chosen.
#include "support/TestSupport.h"
#include "ui/console/SlideOverview.h"

namespace {

QList<SlideOverview::Slide> slides(int count) {
    QList<SlideOverview::Slide> all;
    for (int slide = 0; slide < count; ++slide)
        all.append({slide, slide, QString::number(slide + 1), slide == 3});
    return all;
}

} // namespace

class TestSlideOverview : public QObject {
    Q_OBJECT

private slots:
    // As large as lets all fit; too many for the smallest size scroll in as many columns as fit.
    void theGridFitsEverySlideWhereItCan_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<QSizeF>("area");
        QTest::addColumn<bool>("fits");
        QTest::newRow("one") << 1 << QSizeF(1000, 600) << true;
        QTest::newRow("twelve") << 12 << QSizeF(1000, 600) << true;
        QTest::newRow("forty in a tall area") << 40 << QSizeF(600, 1200) << true;
        QTest::newRow("three hundred") << 300 << QSizeF(800, 500) << false;
    }
    void theGridFitsEverySlideWhereItCan() {
        QFETCH(int, count);
        QFETCH(QSizeF, area);
        QFETCH(bool, fits);
        const SlideOverview::Grid grid = SlideOverview::grid(count, area, 16.0 / 9);
        QVERIFY(grid.columns >= 1);
        const double width = grid.columns * grid.thumbnail.width();
        QVERIFY(width <= area.width());
        QVERIFY(grid.thumbnail.width() >= 96);
        QCOMPARE(grid.contentHeight <= area.height(), fits);
        QVERIFY(qAbs(grid.thumbnail.width() / grid.thumbnail.height() - 16.0 / 9) < 0.05);
        // Where all fit, neither one column fewer nor one more gives larger slides that fit.
        for (const int columns : {grid.columns - 1, grid.columns + 1}) {
            if (!fits || columns < 1 || columns > count)
                continue;
            const int rows = (count + columns - 1) / columns;
            const double byWidth = (area.width() - 32 - (columns - 1) * 14.0) / columns;
            const double byHeight = ((area.height() - 32 + 14) / rows - 14 - 20) * 16 / 9;
            QVERIFY(std::min(byWidth, byHeight) <= grid.thumbnail.width() + 1);
        }
    }

    // Arrows, Page Up/Down, Home/End move the selection; a typed number asks for its slide;
    // Return chooses, Esc leaves (first dropping a typed number); nothing else reaches the talk.
    void keysMoveTheSelectionAndChoose() {
        SlideOverview overview;
        overview.resize(1000, 700);
        overview.open(nullptr, slides(20), 5);
        QVERIFY(QTest::qWaitForWindowExposed(&overview));
        QSignalSpy chosen(&overview, &SlideOverview::chosen);
        QSignalSpy left(&overview, &SlideOverview::left);
        QSignalSpy typed(&overview, &SlideOverview::numberTyped);
        QCOMPARE(overview.selected(), 5);
        QTest::keyClick(&overview, Qt::Key_Right);
        QCOMPARE(overview.selected(), 6);
        const int columns = SlideOverview::grid(20, QSizeF(1000, 670), 16.0 / 9).columns;
        QTest::keyClick(&overview, Qt::Key_Down);
        QCOMPARE(overview.selected(), 6 + columns);
        QTest::keyClick(&overview, Qt::Key_Up);
        QTest::keyClick(&overview, Qt::Key_Left);
        QCOMPARE(overview.selected(), 5);
        QTest::keyClick(&overview, Qt::Key_End);
        QCOMPARE(overview.selected(), 19);
        QTest::keyClick(&overview, Qt::Key_Right);
        QCOMPARE(overview.selected(), 19);
        QTest::keyClick(&overview, Qt::Key_PageUp);
        QVERIFY(overview.selected() < 19);
        QTest::keyClick(&overview, Qt::Key_Home);
        QCOMPARE(overview.selected(), 0);
        QTest::keyClicks(&overview, "12");
        QCOMPARE(typed.size(), 2);
        QCOMPARE(typed.last().at(0).toLongLong(), 12);
        overview.select(11);
        QTest::keyClick(&overview, Qt::Key_Escape);
        QCOMPARE(left.size(), 0);
        QTest::keyClick(&overview, Qt::Key_Return);
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.last().at(0).toInt(), 11);
        QTest::keyClick(&overview, Qt::Key_Escape);
        QCOMPARE(left.size(), 1);
    }

    // A click on a slide chooses it; a click between slides chooses nothing.
    void aClickChoosesASlide() {
        SlideOverview overview;
        overview.resize(1000, 700);
        overview.open(nullptr, slides(4), 0);
        QVERIFY(QTest::qWaitForWindowExposed(&overview));
        QSignalSpy chosen(&overview, &SlideOverview::chosen);
        QTest::mouseClick(&overview, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(chosen.size(), 0);
        const SlideOverview::Grid grid = SlideOverview::grid(4, QSizeF(1000, 670), 16.0 / 9);
        const QPoint second(int(grid.left + grid.thumbnail.width() * 1.5 + 14),
                            int(30 + 16 + grid.thumbnail.height() / 2));
        QTest::mouseClick(&overview, Qt::LeftButton, {}, grid.columns > 1 ? second : QPoint());
        QCOMPARE(chosen.size(), grid.columns > 1 ? 1 : 0);
        if (grid.columns > 1)
            QCOMPARE(chosen.last().at(0).toInt(), 1);
    }
};

QTEST_MAIN(TestSlideOverview)
#include "tst_slideoverview.moc"
