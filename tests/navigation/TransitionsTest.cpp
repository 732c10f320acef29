// Which transition a move plays, its clock and its pictures, and the deck moving on by itself,
// all on a manual clock.
#include "navigation/Transitions.h"
#include "navigation/AutoAdvance.h"
#include "navigation/TransitionFrames.h"
#include "support/ManualClock.h"
#include "support/TestSupport.h"

using Style = PageTransition::Style;

Q_DECLARE_METATYPE(Style)

namespace {

PageTransition styled(Style style, int direction = 0, bool vertical = false, bool outward = false) {
    PageTransition transition;
    transition.style = style;
    transition.direction = direction;
    transition.vertical = vertical;
    transition.outward = outward;
    return transition;
}

QImage filled(QColor colour) {
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

} // namespace

class TransitionsTest : public QObject {
    Q_OBJECT

private slots:
    // The sidecar's text: each part optional, an unknown style none at all.
    void readsTheSidecarsDefault() {
        const std::optional<PageTransition> full = Transitions::parseDefault(" Split:2.5:90:v:o ");
        QVERIFY(full);
        QVERIFY(*full == [] {
            PageTransition expected = styled(Style::split, 90, true, true);
            expected.seconds = 2.5;
            return expected;
        }());
        QVERIFY(*Transitions::parseDefault("wipe") == styled(Style::wipe));
        QVERIFY(*Transitions::parseDefault("fade:-3:-90") == styled(Style::fade, 270));
        QCOMPARE(Transitions::parseDefault("glitter:999")->seconds,
                 PageNavigation::longestTransition);
        QVERIFY(!Transitions::parseDefault("spin:1"));
        QVERIFY(!Transitions::parseDefault(""));
    }

    // Forward plays the arriving page's transition, back the leaving page's backwards; the
    // default stands in for pages without one; cuts play nothing.
    void choosesWhatAMovePlays() {
        const auto own = [](qint64 page) -> std::optional<PageTransition> {
            if (page == 2)
                return styled(Style::push, 180);
            if (page == 3)
                return styled(Style::replace);
            return std::nullopt;
        };
        const std::optional<PageTransition> fallback = styled(Style::dissolve);
        const auto forward = Transitions::forMove(1, 2, own, fallback);
        QVERIFY(forward && !forward->backwards && forward->transition.style == Style::push);
        const auto back = Transitions::forMove(2, 1, own, fallback);
        QVERIFY(back && back->backwards && back->transition.style == Style::push);
        QCOMPARE(Transitions::forMove(0, 1, own, fallback)->transition.style, Style::dissolve);
        QVERIFY(!Transitions::forMove(0, 1, own, std::nullopt));
        QVERIFY(!Transitions::forMove(2, 3, own, fallback));
        QVERIFY(!Transitions::forMove(2, 2, own, fallback));
    }

    // One frame per period, each due on its own beat so late ticks do not pile up; progress runs
    // a period ahead; the end comes once, and a stopped run says nothing more.
    void runsAFramePerPeriodAndEnds() {
        ManualClock clock;
        TransitionRun run(clock);
        int frames = 0;
        int ended = 0;
        run.start(
            1.0, 20, [&] { ++frames; }, [&] { ++ended; });
        QVERIFY(run.isRunning());
        QCOMPARE(run.progress(), 0.02);
        clock.advance(500);
        QCOMPARE(frames, 25);
        QCOMPARE(run.progress(), 0.52);
        // A stall of five periods costs frames, not a burst of them: the late one, then the next
        // beat.
        clock.setNow(clock.nowMs() + 100);
        clock.advance(20);
        QCOMPARE(frames, 27);
        clock.advance(1000);
        QCOMPARE(ended, 1);
        QVERIFY(!run.isRunning());
        QCOMPARE(run.progress(), 1.0);
        const int shown = frames;
        run.start(
            1.0, 20, [&] { ++frames; }, [&] { ++ended; });
        clock.advance(100);
        run.stop();
        clock.advance(2000);
        QCOMPARE(ended, 1);
        QCOMPARE(frames, shown + 5);
        QCOMPARE(clock.pendingWakeups(), 0);
    }

    // Every style starts on the old picture, ends on the new one and between shows neither alone.
    void everyStyleMovesFromOnePictureToTheOther_data() {
        QTest::addColumn<PageTransition>("transition");
        QTest::newRow("split") << styled(Style::split);
        QTest::newRow("split outward, vertical") << styled(Style::split, 0, true, true);
        QTest::newRow("blinds") << styled(Style::blinds);
        QTest::newRow("blinds vertical") << styled(Style::blinds, 0, true);
        QTest::newRow("box") << styled(Style::box);
        QTest::newRow("box outward") << styled(Style::box, 0, false, true);
        QTest::newRow("wipe down") << styled(Style::wipe, 270);
        QTest::newRow("dissolve") << styled(Style::dissolve);
        QTest::newRow("glitter diagonal") << styled(Style::glitter, 315);
        QTest::newRow("fly in") << styled(Style::fly, 90);
        QTest::newRow("fly out, scaled") << [] {
            PageTransition fly = styled(Style::fly, PageTransition::noDirection, false, true);
            fly.flyScale = 0.2;
            return fly;
        }();
        QTest::newRow("push") << styled(Style::push, 180);
        QTest::newRow("cover") << styled(Style::cover);
        QTest::newRow("uncover") << styled(Style::uncover, 90);
        QTest::newRow("fade") << styled(Style::fade);
    }
    void everyStyleMovesFromOnePictureToTheOther() {
        QFETCH(PageTransition, transition);
        const QImage from = filled(Qt::red);
        const QImage to = filled(Qt::blue);
        QCOMPARE(TransitionFrames::frame(from, to, transition, 0), from);
        QCOMPARE(TransitionFrames::frame(from, to, transition, 1), to);
        const QImage middle = TransitionFrames::frame(from, to, transition, 0.5);
        QCOMPARE(middle.size(), to.size());
        QVERIFY(middle != from);
        QVERIFY(middle != to);
    }

    // Directions as the file means them: a wipe at 0 degrees comes from the left, at 90 from
    // the bottom.
    void directionsAreTheFilesOwn() {
        const QImage from = filled(Qt::red);
        const QImage to = filled(Qt::blue);
        const QImage right = TransitionFrames::frame(from, to, styled(Style::wipe, 0), 0.25);
        QCOMPARE(right.pixelColor(2, 24), QColor(Qt::blue));
        QCOMPARE(right.pixelColor(60, 24), QColor(Qt::red));
        const QImage up = TransitionFrames::frame(from, to, styled(Style::wipe, 90), 0.25);
        QCOMPARE(up.pixelColor(32, 46), QColor(Qt::blue));
        QCOMPARE(up.pixelColor(32, 2), QColor(Qt::red));
        // Pictures of different sizes are no transition: the new one at once.
        QCOMPARE(TransitionFrames::frame(filled(Qt::red).scaled(10, 10), to,
                                         styled(Style::dissolve), 0.5),
                 to);
    }

    // While presenting, a page with a display time moves on after it; the speaker's first key
    // ends that for the talk, and a new talk starts it again.
    void theDeckMovesOnByItselfUntilTheSpeakerTakesOver() {
        ManualClock clock;
        AutoAdvance advance(clock);
        int advanced = 0;
        advance.advance = [&] { ++advanced; };
        advance.show(0, 2.0, false);
        clock.advance(5000);
        QCOMPARE(advanced, 0);
        advance.show(0, 2.0, true);
        clock.advance(1999);
        QCOMPARE(advanced, 0);
        // The same page again (a refresh) does not restart its time.
        advance.show(0, 2.0, true);
        clock.advance(1);
        QCOMPARE(advanced, 1);
        advance.show(1, std::nullopt, true);
        QVERIFY(!advance.isWaiting());
        advance.show(2, 1.0, true);
        QVERIFY(advance.isWaiting());
        advance.takeOver();
        clock.advance(5000);
        advance.show(3, 1.0, true);
        clock.advance(5000);
        QCOMPARE(advanced, 1);
        advance.show(3, 1.0, false);
        advance.show(0, 1.0, true);
        clock.advance(1000);
        QCOMPARE(advanced, 2);
    }
};

QTEST_GUILESS_MAIN(TransitionsTest)
#include "TransitionsTest.moc"
