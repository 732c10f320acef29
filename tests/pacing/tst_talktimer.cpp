// The talk timer's states and texts, driven by a manual clock.
#include "base/Colors.h"
#include "pacing/TalkTimer.h"
#include "support/ManualClock.h"
#include "support/TestSupport.h"

// What the timer shows: never started (or reset), counting, or paused with time on it.
enum class State { notStarted, running, paused };

class TestTalkTimer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(TestSupport::useGerman()); }

    void formatDuration_data() {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero") << qint64(0) << "00:00:00";
        QTest::newRow("a minute less one second") << qint64(59) << "00:00:59";
        QTest::newRow("hours, minutes and seconds") << qint64(12345) << "03:25:45";
        QTest::newRow("a day is not wrapped") << qint64(24 * 3600) << "24:00:00";
        QTest::newRow("a hundred hours") << qint64(100 * 3600) << "100:00:00";
    }
    void formatDuration() {
        QFETCH(qint64, seconds);
        QTEST(TalkTimer::formatDuration(seconds), "expected");
    }

    void fractionIsDropped() {
        ManualClock clock;
        TalkTimer timer(clock);
        timer.togglePause();
        clock.advance(59'900);
        QCOMPARE(timer.display().time, QString("00:00:59"));
    }

    // Each row runs a sequence of actions; 's' toggles, 'r' resets outside a talk,
    // 'R' resets during a talk, 'a' is a presentation starting, 'e' one ending, digits advance
    // the clock by that many tenths of a second.
    void states_data() {
        QTest::addColumn<QString>("actions");
        QTest::addColumn<State>("state");
        QTest::addColumn<QString>("time");

        QTest::newRow("zero at first") << "" << State::notStarted << "00:00:00";
        QTest::newRow("running") << "s99" << State::running << "00:00:01";
        QTest::newRow("paused after 0.4 s still reads as not started")
            << "s4s" << State::notStarted << "00:00:00";
        QTest::newRow("paused after 1.8 s") << "s99s" << State::paused << "00:00:01";
        QTest::newRow("resumed after a pause adds up, fractions kept, the pause not counted")
            << "s4s9s99" << State::running << "00:00:02";
        QTest::newRow("automatic start from zero") << "a99" << State::running << "00:00:01";
        QTest::newRow("automatic start does not resume a pause")
            << "s99sa99" << State::paused << "00:00:01";
        QTest::newRow("automatic start does not resume a sub-second pause")
            << "s4sa99" << State::notStarted << "00:00:00";
        QTest::newRow("the end of a presentation pauses the talk")
            << "a99e9" << State::paused << "00:00:01";
        QTest::newRow("a presentation that goes on after a break: the break costs nothing")
            << "a99e99999a99" << State::running << "00:00:03";
        QTest::newRow("a pause the speaker made outlasts the break")
            << "a99se9a9" << State::paused << "00:00:01";
        QTest::newRow("reset outside a talk stops at zero")
            << "s99r9" << State::notStarted << "00:00:00";
        QTest::newRow("reset during a talk counts on from zero at once")
            << "s999R" << State::running << "00:00:00";
        QTest::newRow("reset during a talk, a second later")
            << "s999R9999" << State::running << "00:00:03";
    }
    void states() {
        QFETCH(QString, actions);
        QFETCH(State, state);
        ManualClock clock;
        TalkTimer timer(clock);
        for (QChar action : actions) {
            if (action == 's')
                timer.togglePause();
            else if (action == 'r')
                timer.reset(false);
            else if (action == 'R')
                timer.reset(true);
            else if (action == 'a')
                timer.resumeAfterBreak();
            else if (action == 'e')
                timer.holdForBreak();
            else
                clock.advance(action.digitValue() * 100.0);
        }
        const TalkTimer::Display shown = timer.display();
        QTEST(shown.time, "time");
        QCOMPARE(timer.isRunning(), state == State::running);
        QCOMPARE(shown.colour, state == State::running ? Colors::grey(1.0) : Colors::grey(0.55));
        QCOMPARE(shown.caption, state == State::paused ? QStringLiteral("Vortragszeit (angehalten)")
                                                       : QStringLiteral("Vortragszeit"));
        const char* pauseTitles[] = {"Timer starten", "Timer anhalten", "Timer fortsetzen"};
        QCOMPARE(shown.pauseTitle, QString::fromUtf8(pauseTitles[int(state)]));
    }

    // With a plan the time shown is what is left, then the overrun; the phase sets the colour,
    // paused or not, and a normal phase keeps the stopwatch's white and grey.
    void countdownWithAPlan_data() {
        QTest::addColumn<qint64>("remaining");
        QTest::addColumn<TalkPace::Phase>("phase");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<QString>("caption");
        QTest::newRow("counting down") << qint64(1199) << TalkPace::Phase::normal << false
                                       << "00:19:59" << Colors::grey(1.0) << "Restzeit";
        QTest::newRow("last minutes") << qint64(300) << TalkPace::Phase::lastMinutes << false
                                      << "00:05:00" << Colors::orange << "Restzeit";
        QTest::newRow("last minutes, paused")
            << qint64(61) << TalkPace::Phase::lastMinutes << true << "00:01:01" << Colors::orange
            << "Restzeit (angehalten)";
        QTest::newRow("time up") << qint64(0) << TalkPace::Phase::over << false << "00:00:00"
                                 << Colors::red << "Überzogen";
        QTest::newRow("over, counting up") << qint64(-3725) << TalkPace::Phase::over << true
                                           << "01:02:05" << Colors::red << "Überzogen";
    }
    void countdownWithAPlan() {
        QFETCH(qint64, remaining);
        QFETCH(TalkPace::Phase, phase);
        QFETCH(bool, paused);
        ManualClock clock;
        TalkTimer timer(clock);
        timer.togglePause();
        clock.advance(1'000);
        if (paused)
            timer.togglePause();
        TalkPace::Reading reading;
        reading.remainingSeconds = remaining;
        reading.phase = phase;
        const TalkTimer::Display shown = timer.display(reading);
        QTEST(shown.time, "time");
        QTEST(shown.colour, "colour");
        QTEST(shown.caption, "caption");
        QCOMPARE(shown.pauseTitle,
                 paused ? QString("Timer fortsetzen") : QString("Timer anhalten"));
    }

    void clockSetBackwardsDoesNotShortenTheTalk() {
        ManualClock clock;
        TalkTimer timer(clock);
        timer.togglePause();
        clock.advance(5'000);
        timer.togglePause();
        timer.togglePause();
        clock.setNow(clock.nowMs() - 60'000);
        QCOMPARE(timer.totalSeconds(), qint64(5));
    }

    void clockFormat() {
        const QDateTime afternoon(QDate(2024, 5, 6), QTime(14, 5, 9));
        QCOMPARE(TalkTimer::formatClock(afternoon), QString("14:05:09"));
        const QDateTime morning(QDate(2024, 5, 6), QTime(7, 0, 0));
        QCOMPARE(TalkTimer::formatClock(morning), QString("07:00:00"));
    }
};

ORVL_TEST_MAIN(TestTalkTimer)
#include "tst_talktimer.moc"
