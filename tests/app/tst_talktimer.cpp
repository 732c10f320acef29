// The talk timer's states and texts, driven by a manual clock.
#include "app/TalkTimer.h"
#include "base/Colors.h"
#include "base/Preferences.h"
#include "support/ManualClock.h"
#include "support/TestSupport.h"

class TestTalkTimer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Preferences::setOverride(QStringLiteral("appLanguage"), "de"); }

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
        QFETCH(QString, expected);
        QCOMPARE(TalkTimer::formatDuration(seconds), expected);
    }

    void fractionIsDropped() {
        ManualClock clock;
        TalkTimer timer(clock);
        timer.togglePause();
        clock.advance(59'900);
        QCOMPARE(timer.display().time, QString("00:00:59"));
    }

    // Each row runs a sequence of actions; 's' toggles, 'r' resets outside a talk,
    // 'R' resets during a talk, 'a' is the automatic start, digits advance the clock by that
    // many tenths of a second.
    void states_data() {
        QTest::addColumn<QString>("actions");
        QTest::addColumn<QString>("time");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("pauseTitle");
        QTest::newRow("zero at first") << ""
                                       << "00:00:00" << false << "Vortragszeit"
                                       << "Timer starten";
        QTest::newRow("running") << "s99"
                                 << "00:00:01" << true << "Vortragszeit"
                                 << "Timer anhalten";
        QTest::newRow("paused after 0.4 s still reads as not started")
            << "s4s"
            << "00:00:00" << false << "Vortragszeit"
            << "Timer starten";
        QTest::newRow("paused after 1.8 s") << "s99s"
                                            << "00:00:01" << false << "Vortragszeit (angehalten)"
                                            << "Timer fortsetzen";
        QTest::newRow("resumed after a pause adds up, the pause not counted")
            << "s4s9s99"
            << "00:00:02" << true << "Vortragszeit"
            << "Timer anhalten";
        QTest::newRow("automatic start from zero") << "a99"
                                                   << "00:00:01" << true << "Vortragszeit"
                                                   << "Timer anhalten";
        QTest::newRow("automatic start does not resume a pause")
            << "s99sa99"
            << "00:00:01" << false << "Vortragszeit (angehalten)"
            << "Timer fortsetzen";
        QTest::newRow("automatic start does not resume a sub-second pause")
            << "s4sa99"
            << "00:00:00" << false << "Vortragszeit"
            << "Timer starten";
        QTest::newRow("reset outside a talk stops at zero") << "s99r9"
                                                            << "00:00:00" << false << "Vortragszeit"
                                                            << "Timer starten";
        QTest::newRow("reset during a talk counts on from zero at once")
            << "s999R"
            << "00:00:00" << true << "Vortragszeit"
            << "Timer anhalten";
        QTest::newRow("reset during a talk, a second later") << "s999R9999"
                                                             << "00:00:03" << true << "Vortragszeit"
                                                             << "Timer anhalten";
    }
    void states() {
        QFETCH(QString, actions);
        QFETCH(QString, time);
        QFETCH(bool, running);
        QFETCH(QString, caption);
        QFETCH(QString, pauseTitle);
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
                timer.startIfNeverRun();
            else
                clock.advance(action.digitValue() * 100.0);
        }
        const TalkTimer::Display shown = timer.display();
        QCOMPARE(shown.time, time);
        QCOMPARE(timer.isRunning(), running);
        QCOMPARE(shown.colour, running ? Colors::grey(1.0) : Colors::grey(0.55));
        QCOMPARE(shown.caption, caption);
        QCOMPARE(shown.pauseTitle, pauseTitle);
    }

    void pauseKeepsFractionForResume() {
        ManualClock clock;
        TalkTimer timer(clock);
        timer.togglePause();
        clock.advance(400);
        timer.togglePause();
        QCOMPARE(timer.timerAccumulated, 0.4);
        timer.togglePause();
        clock.advance(700);
        QCOMPARE(timer.totalSeconds(), qint64(1));
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
