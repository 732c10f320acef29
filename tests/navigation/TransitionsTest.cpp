// Which transition a move plays, its clock and its pictures, and the deck moving on by itself,
// all on a manual clock.
#include "navigation/Transitions.h"
#include "navigation/AutoAdvance.h"
#include "navigation/DissolveFrames.h"
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

// Every pixel its own colour, so that a pixel taken from the wrong place or picture shows.
QImage patterned(QSize size, int seed) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y,
                           qRgb((x + seed) % 256, (y * 3 + seed) % 256, (x / 256 + seed) % 256));
    return image;
}

// Which pixels show the new picture, as a share of `part` of the picture.
double turned(const QImage& picture, const QImage& to, QRect part) {
    int count = 0;
    for (int y = part.top(); y <= part.bottom(); ++y)
        for (int x = part.left(); x <= part.right(); ++x)
            count += picture.pixel(x, y) == to.pixel(x, y);
    return double(count) / (part.width() * part.height());
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

    // Dissolve and glitter are made frame by frame, writing only what changed since the last
    // frame: whatever the order of the frames (on, back as a move back plays, a jump), each is
    // the picture made at once; the share turned follows the progress, and glitter sweeps along
    // its direction. Pictures larger than the threshold tile and no multiple of it.
    void dissolvingFrameByFrameIsDissolvingAtOnce_data() {
        QTest::addColumn<PageTransition>("transition");
        // Glitter: where the sweep starts and where it ends.
        QTest::addColumn<QRect>("leading");
        QTest::addColumn<QRect>("trailing");
        const QRect left(0, 0, 60, 270);
        const QRect right(240, 0, 60, 270);
        QTest::newRow("dissolve") << styled(Style::dissolve) << QRect() << QRect();
        QTest::newRow("glitter right") << styled(Style::glitter, 0) << left << right;
        QTest::newRow("glitter left") << styled(Style::glitter, 180) << right << left;
        QTest::newRow("glitter down")
            << styled(Style::glitter, 270) << QRect(0, 0, 300, 50) << QRect(0, 220, 300, 50);
        QTest::newRow("glitter diagonal")
            << styled(Style::glitter, 315) << QRect(0, 0, 60, 60) << QRect(240, 210, 60, 60);
    }
    void dissolvingFrameByFrameIsDissolvingAtOnce() {
        QFETCH(PageTransition, transition);
        QFETCH(QRect, leading);
        QFETCH(QRect, trailing);
        const QSize size(300, 270);
        const QImage from = patterned(size, 0);
        const QImage to = patterned(size, 101);
        const QRect whole(QPoint(0, 0), size);
        DissolveFrames frames;
        // Made ready from another picture than the one the transition starts from.
        frames.prepare(patterned(size, 7));
        double before = 0;
        for (const double progress : {0.02, 0.05, 0.3, 0.29, 0.6, 0.1, 0.97, 1.0, 0.5}) {
            DissolveFrames once;
            const QImage expected = once.at(from, to, transition, progress);
            QCOMPARE(frames.at(from, to, transition, progress), expected);
            if (leading.isNull())
                QVERIFY(std::abs(turned(expected, to, whole) - progress) < 0.03);
            else if (progress > before)
                QVERIFY(turned(expected, to, whole) >
                        turned(DissolveFrames().at(from, to, transition, before), to, whole));
            before = progress;
        }
        if (!leading.isNull()) {
            const QImage sweeping = DissolveFrames().at(from, to, transition, 0.4);
            QVERIFY(turned(sweeping, to, leading) > turned(sweeping, to, trailing) + 0.2);
        }
        // The starting picture changed in place is another picture: the frames start afresh.
        QImage changed = from;
        changed.setPixel(0, 0, qRgb(1, 2, 3));
        QCOMPARE(frames.at(changed, to, transition, 0.3),
                 DissolveFrames().at(changed, to, transition, 0.3));
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
