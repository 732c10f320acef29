// The pace against a per-slide plan, with and without a talk length or end time, on a manual
// clock; and which slides to skip for a lag.
#include "pacing/TalkTimer.h"
#include "support/ManualClock.h"
#include "support/TestSupport.h"
#include "timing/SkipOffer.h"

#include <QDateTime>

using Phase = TalkPace::Phase;
using Pace = TalkPace::Pace;
using Slides = QList<int>;
using Kept = QList<qsizetype>;

Q_DECLARE_METATYPE(std::optional<SkipOffer>)

namespace {

// Slides 0 to 3 are the talk (60 + 120 + 60 + 60 = 300 s), slide 4 a backup.
const SlidePlan fivePlanned{{60, 120, 60, 60, 30}};
constexpr qsizetype fiveEnd = 3;

SkipOffer offer(qsizetype first, qsizetype last, int saved, qint64 lag) {
    return SkipOffer{first, last, saved, lag};
}

} // namespace

class TestPlanPace : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(TestSupport::useGerman()); }

    // `talkLeft` < -999 stands for a talk without a length or end time.
    void readings_data() {
        QTest::addColumn<double>("talkSeconds");
        QTest::addColumn<qsizetype>("slide");
        QTest::addColumn<qint64>("talkLeft");
        QTest::addColumn<int>("lastMinutes");
        QTest::addColumn<qint64>("lag");
        QTest::addColumn<Pace>("pace");
        QTest::addColumn<qint64>("remaining");
        QTest::addColumn<Phase>("phase");
        const qint64 none = -1000;
        QTest::newRow("inside the slide's planned stretch")
            << 100.0 << qsizetype(1) << none << 1 << qint64(0) << Pace::onPace << qint64(200)
            << Phase::normal;
        QTest::newRow("past the slide's stretch: behind")
            << 200.0 << qsizetype(1) << none << 1 << qint64(20) << Pace::behind << qint64(100)
            << Phase::normal;
        QTest::newRow("before the slide's stretch: ahead")
            << 150.0 << qsizetype(2) << none << 1 << qint64(-30) << Pace::ahead << qint64(150)
            << Phase::normal;
        QTest::newRow("the last minutes follow the plan's end")
            << 250.0 << qsizetype(3) << none << 1 << qint64(0) << Pace::onPace << qint64(50)
            << Phase::lastMinutes;
        QTest::newRow("over once the plan's end is past")
            << 310.0 << qsizetype(3) << none << 1 << qint64(10) << Pace::behind << qint64(-10)
            << Phase::over;
        QTest::newRow("a backup slide lies after the whole plan")
            << 290.0 << qsizetype(4) << none << 1 << qint64(-10) << Pace::ahead << qint64(10)
            << Phase::lastMinutes;
        QTest::newRow("a talk longer than the plan still ends with the plan")
            << 200.0 << qsizetype(1) << qint64(200) << 1 << qint64(20) << Pace::behind
            << qint64(100) << Phase::normal;
        QTest::newRow("a talk shorter than the plan moves every stretch earlier")
            << 150.0 << qsizetype(1) << qint64(90) << 1 << qint64(30) << Pace::behind << qint64(90)
            << Phase::normal;
    }
    void readings() {
        QFETCH(double, talkSeconds);
        QFETCH(qsizetype, slide);
        QFETCH(qint64, talkLeft);
        QFETCH(int, lastMinutes);
        std::optional<TalkPace::Reading> talk;
        if (talkLeft > -1000) {
            talk.emplace();
            talk->remainingSeconds = talkLeft;
        }
        const PlanPace pace(fivePlanned, fiveEnd);
        const PlanPace::Reading reading = pace.read(talkSeconds, slide, talk, lastMinutes);
        QTEST(reading.lagSeconds, "lag");
        QTEST(reading.pace.pace, "pace");
        QTEST(reading.pace.remainingSeconds, "remaining");
        QTEST(reading.pace.phase, "phase");
        QCOMPARE(reading.endFixed, talk.has_value());
    }

    // The talk timer's time on a manual clock: a pause stops a length, not an end time.
    void againstTheClock_data() {
        QTest::addColumn<bool>("endTime");
        QTest::addColumn<qint64>("lagAfterPause");
        QTest::addColumn<qint64>("remainingAfterPause");
        QTest::newRow("a five-minute length") << false << qint64(20) << qint64(100);
        QTest::newRow("an end time five minutes on") << true << qint64(80) << qint64(40);
    }
    void againstTheClock() {
        QFETCH(bool, endTime);
        const QDateTime start(QDate(2026, 3, 12), QTime(14, 0), QTimeZone::utc());
        ManualClock clock(double(start.toMSecsSinceEpoch()));
        PaceTarget target;
        if (endTime)
            target.endTime = QTime(14, 5);
        else
            target.lengthMinutes = 5;
        const TalkPace talk(target, clock, QTimeZone::utc());
        const PlanPace pace(SlidePlan{{60, 120, 60, 60}}, 3);
        TalkTimer timer(clock);
        timer.startIfNeverRun();
        auto read = [&](qsizetype slide) {
            const double seconds = timer.elapsedSeconds();
            return pace.read(seconds, slide, talk.read(seconds, slide, 4), target.lastMinutes);
        };

        clock.advance(200'000);
        PlanPace::Reading reading = read(1);
        QCOMPARE(reading.lagSeconds, qint64(20));
        QCOMPARE(reading.pace.remainingSeconds, qint64(100));
        // The pace line marks slide 1's planned stretch, not an even share of the slides.
        QCOMPARE(reading.pace.slidesDone, 0.2);
        QVERIFY(reading.endFixed);

        timer.togglePause();
        clock.advance(60'000);
        reading = read(1);
        QTEST(reading.lagSeconds, "lagAfterPause");
        QTEST(reading.pace.remainingSeconds, "remainingAfterPause");
    }

    // What the console's status area shows.
    void texts_data() {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("expected");
        QTest::newRow("behind") << PlanPace::lagText(100) << "1:40 hinter Plan";
        QTest::newRow("ahead") << PlanPace::lagText(-30) << "0:30 voraus";
        QTest::newRow("on plan") << PlanPace::lagText(0) << "im Plan";
        QTest::newRow("skipping slides, numbered from 1")
            << offer(17, 19, 230, 220).text()
            << "3:40 hinter Plan — Folien 18–20 überspringen spart 3:50";
        QTest::newRow("skipping one slide")
            << offer(4, 4, 75, 61).text() << "1:01 hinter Plan — Folie 5 überspringen spart 1:15";
    }
    void texts() {
        QFETCH(QString, shown);
        QTEST(shown, "expected");
    }

    void skipChoice_data() {
        QTest::addColumn<Slides>("plan");
        QTest::addColumn<qsizetype>("slide");
        QTest::addColumn<qsizetype>("endSlide");
        QTest::addColumn<qint64>("lag");
        QTest::addColumn<Kept>("kept");
        QTest::addColumn<std::optional<SkipOffer>>("expected");
        const std::optional<SkipOffer> none;
        QTest::newRow("one long slide before two short ones")
            << Slides{60, 60, 60, 150, 60} << qsizetype(0) << qsizetype(4) << qint64(100) << Kept{}
            << std::optional(offer(3, 3, 150, 100));
        QTest::newRow("the next slides when they are the shortest run")
            << Slides{60, 60, 60, 30, 60} << qsizetype(0) << qsizetype(4) << qint64(100) << Kept{}
            << std::optional(offer(1, 2, 120, 100));
        QTest::newRow("of equally short runs the one that leaves out least")
            << Slides{10, 50, 40, 45, 10} << qsizetype(0) << qsizetype(4) << qint64(85) << Kept{}
            << std::optional(offer(2, 3, 85, 85));
        QTest::newRow("of equal runs the earliest")
            << Slides{10, 50, 40, 50, 40, 10} << qsizetype(0) << qsizetype(5) << qint64(90)
            << Kept{} << std::optional(offer(1, 2, 90, 90));
        QTest::newRow("never the current slide")
            << Slides{10, 10, 300, 60, 60, 10} << qsizetype(2) << qsizetype(5) << qint64(100)
            << Kept{} << std::optional(offer(3, 4, 120, 100));
        QTest::newRow("none when nothing makes up the lag")
            << Slides{60, 60, 60, 60} << qsizetype(0) << qsizetype(3) << qint64(1000) << Kept{}
            << none;
        QTest::newRow("never the end slide") << Slides{10, 30, 30, 300} << qsizetype(0)
                                             << qsizetype(3) << qint64(100) << Kept{} << none;
        QTest::newRow("never a kept slide") << Slides{10, 50, 200, 50, 50} << qsizetype(0)
                                            << qsizetype(4) << qint64(90) << Kept{2} << none;
        QTest::newRow("a kept slide splits the runs")
            << Slides{10, 40, 40, 200, 40, 40, 10} << qsizetype(0) << qsizetype(6) << qint64(80)
            << Kept{3} << std::optional(offer(1, 2, 80, 80));
    }
    void skipChoice() {
        QFETCH(Slides, plan);
        QFETCH(qsizetype, slide);
        QFETCH(qsizetype, endSlide);
        QFETCH(qint64, lag);
        QFETCH(Kept, kept);
        const auto chosen = SkipOffer::choose(SlidePlan{plan}, slide, endSlide, lag,
                                              QSet<qsizetype>(kept.begin(), kept.end()));
        QTEST(chosen, "expected");
    }

    // Offered only for a talk with a length or an end time, and beyond the threshold.
    void skipOfferedBeyondTheThreshold_data() {
        QTest::addColumn<bool>("endFixed");
        QTest::addColumn<double>("talkSeconds");
        QTest::addColumn<bool>("offered");
        QTest::newRow("a talk without an end") << false << 300.0 << false;
        QTest::newRow("exactly the threshold behind") << true << 240.0 << false;
        QTest::newRow("a second beyond it") << true << 241.0 << true;
    }
    void skipOfferedBeyondTheThreshold() {
        QFETCH(bool, endFixed);
        QFETCH(double, talkSeconds);
        std::optional<TalkPace::Reading> talk;
        if (endFixed) {
            talk.emplace();
            talk->remainingSeconds = qint64(600 - talkSeconds);
        }
        // Slide 1's stretch ends at 180 s.
        const PlanPace pace(SlidePlan{{60, 120, 60, 60, 60, 60}}, 5);
        const PlanPace::Reading reading = pace.read(talkSeconds, 1, talk, 5);
        const auto found = SkipOffer::find(pace, reading, 1, {}, 60);
        QTEST(found.has_value(), "offered");
    }
};

ORVL_TEST_MAIN(TestPlanPace)
#include "tst_planpace.moc"
