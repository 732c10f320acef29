// Pages grouped into the slides their author made: by labels, by hand, or not at all; steps,
// typed numbers, whole-slide moves over hidden slides, the end slide and the pace's counts.
#include "notes/SlideStructure.h"
#include "support/TestSupport.h"

namespace {

// The slides as their pages: "0 1-3 4".
QString groups(const SlideStructure& slides) {
    QStringList written;
    for (qint64 slide = 0; slide < slides.slideCount(); ++slide) {
        const qint64 first = slides.firstPage(slide);
        const qint64 last = slides.lastPage(slide);
        written << (first == last ? QString::number(first)
                                  : QStringLiteral("%1-%2").arg(first).arg(last));
    }
    return written.join(' ');
}

// A beamer deck: title, a frame of three overlays, a frame of two, a backup frame.
const QStringList beamer{"1", "2", "2", "2", "3", "3", "4"};

SlideStructure::Layout layout(const QStringList& labels, const QSet<qint64>& hidden = {},
                              std::optional<qint64> endSlide = {}) {
    return {labels, true, {}, hidden, endSlide};
}

} // namespace

class TestSlideStructure : public QObject {
    Q_OBJECT
private slots:
    void grouping_data() {
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<bool>("byLabels");
        QTest::addColumn<QList<qint64>>("continuing");
        QTest::addColumn<QString>("slides");
        QTest::newRow("beamer overlays share their frame's label")
            << beamer << true << QList<qint64>() << "0 1-3 4-5 6";
        QTest::newRow("a label returning later starts a new slide")
            << QStringList{"a", "a", "b", "a"} << true << QList<qint64>() << "0-1 2 3";
        QTest::newRow("a forced overlay joins whatever its label")
            << QStringList{"1", "2", "3", "4"} << true << QList<qint64>{2} << "0 1-2 3";
        QTest::newRow("after a forced overlay the slide's first label still groups")
            << QStringList{"1", "2", "1"} << true << QList<qint64>{1} << "0-2";
        QTest::newRow("labels off: only the listed pages join")
            << beamer << false << QList<qint64>{2, 3} << "0 1-3 4 5 6";
        QTest::newRow("no pages") << QStringList() << true << QList<qint64>() << "";
    }
    void grouping() {
        QFETCH(QStringList, labels);
        QFETCH(bool, byLabels);
        QFETCH(QList<qint64>, continuing);
        const SlideStructure slides(
            {labels, byLabels, QSet<qint64>(continuing.begin(), continuing.end()), {}, {}});
        QTEST(groups(slides), "slides");
    }

    void stepsOfAPage() {
        const SlideStructure slides(layout(beamer));
        QCOMPARE(slides.slideOf(2), 1);
        QCOMPARE(slides.stepOf(2), 1);
        QCOMPARE(slides.stepCount(slides.slideOf(2)), 3);
        QCOMPARE(slides.stepOf(4), 0);
        // Beyond the deck: its nearest page.
        QCOMPARE(slides.slideOf(99), 3);
        const SlideStructure none;
        QCOMPARE(none.slideOf(3), 0);
        QCOMPARE(none.nextSlide(0), 0);
    }

    // The page a typed number goes to; -1 where it names no slide.
    void typedNumbers_data() {
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<bool>("byLabels");
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("page");
        QTest::newRow("the first step of the frame labelled so") << beamer << true << 3 << 4;
        QTest::newRow("front matter before 1")
            << QStringList{"i", "ii", "1", "1", "2"} << true << 2 << 4;
        QTest::newRow("without labels: the page")
            << SlideStructure::countedLabels(QStringList(5)) << true << 4 << 3;
        QTest::newRow("0: the first page") << beamer << true << 0 << 0;
        QTest::newRow("no such label: the nearest numbered below")
            << QStringList{"i", "ii", "1", "1", "2"} << true << 3 << 4;
        QTest::newRow("a label beyond the slides' count")
            << QStringList{"1", "5", "9"} << true << 9 << 2;
        QTest::newRow("beyond the deck: none") << beamer << true << 5 << -1;
        // Labels that do not group count for nothing: slide 3 is page 3.
        QTest::newRow("labels off: the slide so counted") << beamer << false << 3 << 2;
        QTest::newRow("labels off: a label beyond the slides names none")
            << QStringList{"1", "5", "9"} << false << 9 << -1;
    }
    void typedNumbers() {
        QFETCH(QStringList, labels);
        QFETCH(bool, byLabels);
        QFETCH(int, number);
        const SlideStructure slides({labels, byLabels, {}, {}, {}});
        QTEST(slides.hasNumber(number) ? int(slides.pageForNumber(number)) : -1, "page");
    }

    // Whole slides forward to their first step, back to their last, over hidden slides; hidden
    // steps are never where a move lands.
    void wholeSlideMoves_data() {
        QTest::addColumn<QList<qint64>>("hidden");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("next");
        QTest::addColumn<int>("previous");
        QTest::newRow("mid-frame") << QList<qint64>() << 2 << 4 << 0;
        QTest::newRow("at the end") << QList<qint64>() << 6 << 6 << 5;
        QTest::newRow("over a hidden frame") << QList<qint64>{4, 5} << 2 << 6 << 0;
        QTest::newRow("back over a hidden frame") << QList<qint64>{4, 5} << 6 << 6 << 3;
        QTest::newRow("a hidden first step is passed") << QList<qint64>{4} << 2 << 5 << 0;
        QTest::newRow("nothing shown ahead") << QList<qint64>{6} << 4 << 4 << 3;
    }
    void wholeSlideMoves() {
        QFETCH(QList<qint64>, hidden);
        QFETCH(int, from);
        const SlideStructure slides(layout(beamer, QSet<qint64>(hidden.begin(), hidden.end())));
        QTEST(int(slides.nextSlide(from)), "next");
        QTEST(int(slides.previousSlide(from)), "previous");
    }

    // Slides 0..3; the talk proper ends at `endSlide`, hidden slides take no share.
    void paceCounts_data() {
        QTest::addColumn<QList<qint64>>("hidden");
        QTest::addColumn<int>("endSlide");
        QTest::addColumn<int>("end");
        QTest::addColumn<int>("talkSlides");
        QTest::addColumn<QList<qint64>>("before");
        QTest::newRow("a backup slide after the end")
            << QList<qint64>() << 2 << 2 << 3 << QList<qint64>{0, 1, 1, 1, 2, 2, 3};
        QTest::newRow("a hidden slide")
            << QList<qint64>{1, 2, 3} << -1 << 3 << 3 << QList<qint64>{0, 1, 1, 1, 1, 1, 2};
        QTest::newRow("a partly hidden slide counts")
            << QList<qint64>{2} << -1 << 3 << 4 << QList<qint64>{0, 1, 1, 1, 2, 2, 3};
    }
    void paceCounts() {
        QFETCH(QList<qint64>, hidden);
        QFETCH(int, endSlide);
        QFETCH(QList<qint64>, before);
        const SlideStructure slides(
            layout(beamer, QSet<qint64>(hidden.begin(), hidden.end()),
                   endSlide < 0 ? std::nullopt : std::optional<qint64>(endSlide)));
        QTEST(int(slides.endSlide()), "end");
        QTEST(int(slides.talkSlideCount()), "talkSlides");
        QList<qint64> counted;
        for (qint64 page = 0; page < slides.pageCount(); ++page)
            counted << slides.talkSlidesBefore(page);
        QCOMPARE(counted, before);
    }
};

ORVL_TEST_MAIN(TestSlideStructure)
#include "tst_slidestructure.moc"
