// The countdown's phases and boundaries, end times around midnight and a clock change, the pace
// against the slides, and the plan's text forms.
#include "pacing/TalkPace.h"
#include "support/ManualClock.h"
#include "support/TestSupport.h"

#include <QDateTime>

using Phase = TalkPace::Phase;
using Pace = TalkPace::Pace;

namespace {

const QTimeZone berlin("Europe/Berlin");

// A local time in Berlin as ms since 1970.
double berlinMs(const QString& localTime) {
    QDateTime moment = QDateTime::fromString(localTime, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return double(QDateTime(moment.date(), moment.time(), berlin).toMSecsSinceEpoch());
}

PaceTarget length(int minutes, int last = PaceTarget::defaultLastMinutes) {
    PaceTarget target;
    target.lengthMinutes = minutes;
    target.lastMinutes = last;
    return target;
}

PaceTarget endingAt(const QString& time) {
    PaceTarget target;
    target.endTime = PaceTarget::parseEndTime(time);
    return target;
}

} // namespace

class TestTalkPace : public QObject {
    Q_OBJECT
private slots:
    void lengthPhases_data() {
        QTest::addColumn<int>("lastMinutes");
        QTest::addColumn<double>("talkSeconds");
        QTest::addColumn<qint64>("remaining");
        QTest::addColumn<Phase>("phase");
        QTest::newRow("not started") << 5 << 0.0 << qint64(1200) << Phase::normal;
        QTest::newRow("the last minutes begin at 5:00")
            << 5 << 900.0 << qint64(300) << Phase::lastMinutes;
        QTest::newRow("a fraction left rounds up")
            << 5 << 1199.2 << qint64(1) << Phase::lastMinutes;
        QTest::newRow("exactly zero is over") << 5 << 1200.0 << qint64(0) << Phase::over;
        QTest::newRow("counting up past the end") << 5 << 1261.0 << qint64(-61) << Phase::over;
        QTest::newRow("no last minutes") << 0 << 1199.0 << qint64(1) << Phase::normal;
        QTest::newRow("last minutes longer than the talk")
            << 30 << 0.0 << qint64(1200) << Phase::lastMinutes;
    }
    void lengthPhases() {
        QFETCH(int, lastMinutes);
        QFETCH(double, talkSeconds);
        ManualClock clock;
        const TalkPace pace(length(20, lastMinutes), clock, berlin);
        const TalkPace::Reading reading = pace.read(talkSeconds, 0, 1);
        QTEST(reading.remainingSeconds, "remaining");
        QTEST(reading.phase, "phase");
    }

    // Today's end time, unless it passed more than the overrun allowance ago: then tomorrow's.
    void endTimes_data() {
        QTest::addColumn<QString>("now");
        QTest::addColumn<QString>("end");
        QTest::addColumn<qint64>("remaining");
        QTest::addColumn<Phase>("phase");
        QTest::newRow("in the last minutes") << "2026-12-07 14:25:30"
                                             << "14:30" << qint64(270) << Phase::lastMinutes;
        QTest::newRow("exactly now") << "2026-12-07 14:30:00"
                                     << "14:30" << qint64(0) << Phase::over;
        QTest::newRow("passed ten minutes ago: over") << "2026-12-07 14:40:00"
                                                      << "14:30" << qint64(-600) << Phase::over;
        QTest::newRow("passed just under the allowance: still over")
            << "2026-12-07 17:29:59"
            << "14:30" << qint64(-(3 * 3600 - 1)) << Phase::over;
        QTest::newRow("passed exactly the allowance ago: tomorrow's")
            << "2026-12-07 17:30:00"
            << "14:30" << qint64(21 * 3600) << Phase::normal;
        QTest::newRow("before midnight, ending after it")
            << "2026-12-07 23:30:00"
            << "00:15" << qint64(45 * 60) << Phase::normal;
        QTest::newRow("after midnight, having ended before it")
            << "2026-12-08 00:01:00"
            << "23:50" << qint64(-11 * 60) << Phase::over;
        // Clocks go forward from 02:00 to 03:00 that night: an hour of wall time, not two.
        QTest::newRow("across the clock change") << "2026-03-29 01:30:00"
                                                 << "03:30" << qint64(3600) << Phase::normal;
    }
    void endTimes() {
        if (!berlin.isValid())
            QSKIP("no time-zone data");
        QFETCH(QString, now);
        QFETCH(QString, end);
        ManualClock clock(berlinMs(now));
        const TalkPace pace(endingAt(end), clock, berlin);
        const TalkPace::Reading reading = pace.read(0, 0, 1);
        QTEST(reading.remainingSeconds, "remaining");
        QTEST(reading.phase, "phase");
    }

    // A talk that runs across midnight keeps one end in view as the date changes under it.
    void endTimeHeldAcrossMidnight() {
        if (!berlin.isValid())
            QSKIP("no time-zone data");
        ManualClock clock(berlinMs(QStringLiteral("2026-12-07 23:58:00")));
        const TalkPace pace(endingAt(QStringLiteral("00:10")), clock, berlin);
        QCOMPARE(pace.read(0, 0, 1).remainingSeconds, qint64(720));
        clock.advance(11 * 60'000);
        QCOMPARE(pace.read(660, 0, 1).remainingSeconds, qint64(60));
        QCOMPARE(pace.read(660, 0, 1).phase, Phase::lastMinutes);
        clock.advance(2 * 60'000);
        QCOMPARE(pace.read(780, 0, 1).remainingSeconds, qint64(-60));
        QCOMPARE(pace.read(780, 0, 1).phase, Phase::over);
    }

    // Ten slides in ten minutes: each slide has a minute; the pace compares the current
    // slide's minute with the time used.
    void paceAgainstSlides_data() {
        QTest::addColumn<double>("talkSeconds");
        QTest::addColumn<int>("index");
        QTest::addColumn<double>("timeUsed");
        QTest::addColumn<Pace>("pace");
        QTest::newRow("first slide at the start") << 0.0 << 0 << 0.0 << Pace::onPace;
        QTest::newRow("third slide at half time") << 300.0 << 2 << 0.5 << Pace::behind;
        QTest::newRow("sixth slide at half time") << 300.0 << 5 << 0.5 << Pace::onPace;
        QTest::newRow("last slide when time is up") << 600.0 << 9 << 1.0 << Pace::onPace;
        QTest::newRow("overrun on an earlier slide") << 700.0 << 8 << 1.0 << Pace::behind;
    }
    void paceAgainstSlides() {
        QFETCH(double, talkSeconds);
        QFETCH(int, index);
        ManualClock clock;
        const TalkPace pace(length(10), clock, berlin);
        const TalkPace::Reading reading = pace.read(talkSeconds, index, 10);
        QTEST(reading.timeUsed, "timeUsed");
        QTEST(reading.pace, "pace");
        QCOMPARE(reading.slideShare, 0.1);
    }

    // With an end time the plan is the time talked so far plus the time left.
    void endTimePace() {
        if (!berlin.isValid())
            QSKIP("no time-zone data");
        ManualClock clock(berlinMs(QStringLiteral("2026-12-07 14:20:00")));
        const TalkPace pace(endingAt(QStringLiteral("14:30")), clock, berlin);
        QCOMPARE(pace.read(600, 0, 4).timeUsed, 0.5);
        QCOMPARE(pace.read(600, 0, 4).pace, Pace::behind);
        QCOMPARE(pace.read(0, 0, 0).pace, Pace::onPace);
    }

    // With a start as well, the plan is the span from start to end, however late the talk
    // timer began.
    void startAndEndTimePace_data() {
        QTest::addColumn<QString>("now");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<double>("timeUsed");
        QTest::addColumn<qint64>("remaining");
        QTest::newRow("half way, the timer started late") << "2026-12-07 14:15:00"
                                                          << "14:00"
                                                          << "14:30" << 0.5 << qint64(900);
        QTest::newRow("across midnight") << "2026-12-08 00:00:00"
                                         << "23:30"
                                         << "00:30" << 0.5 << qint64(1800);
        QTest::newRow("the end no later than the start: the next day's")
            << "2026-12-07 21:00:00"
            << "09:00"
            << "09:00" << 0.5 << qint64(12 * 3600);
    }
    void startAndEndTimePace() {
        if (!berlin.isValid())
            QSKIP("no time-zone data");
        QFETCH(QString, now);
        QFETCH(QString, start);
        QFETCH(QString, end);
        ManualClock clock(berlinMs(now));
        PaceTarget target = endingAt(end);
        target.startTime = PaceTarget::parseEndTime(start);
        const TalkPace pace(target, clock, berlin);
        // The talk timer says a minute: it does not count.
        const TalkPace::Reading reading = pace.read(60, 0, 2);
        QTEST(reading.timeUsed, "timeUsed");
        QTEST(reading.remainingSeconds, "remaining");
    }

    void parsing() {
        QCOMPARE(PaceTarget::parseLength(" 45 "), std::optional<int>(45));
        QCOMPARE(PaceTarget::parseLength("6000"), std::optional<int>(6000));
        for (const char* wrong : {"0", "6001", "-5", "4.5", "20min", "", "99999999999"})
            QVERIFY2(!PaceTarget::parseLength(wrong), wrong);
        QCOMPARE(PaceTarget::parseEndTime("9:05"), std::optional<QTime>(QTime(9, 5)));
        QCOMPARE(PaceTarget::parseEndTime("23:59"), std::optional<QTime>(QTime(23, 59)));
        for (const char* wrong : {"24:00", "12:60", "12", "12:5", "12:30:00", "a:30", ""})
            QVERIFY2(!PaceTarget::parseEndTime(wrong), wrong);
    }

    void storedText() {
        PaceTarget end = endingAt(QStringLiteral("9:05"));
        end.lastMinutes = 2;
        PaceTarget span = endingAt(QStringLiteral("14:30"));
        span.startTime = QTime(14, 0);
        for (const PaceTarget& target : {length(20), length(90, 0), end, span}) {
            QVERIFY(!target.toText().isEmpty());
            QCOMPARE(PaceTarget::fromText(target.toText()), target);
        }
        QCOMPARE(end.toText(), QStringLiteral("09:05;2"));
        QCOMPARE(span.toText(), QStringLiteral("14:00-14:30;5"));
        QCOMPARE(PaceTarget().toText(), QString());
        for (const char* wrong : {"", "20", "20;x", "20;-1", "0;5", "25:00;5", "20;5;1", "14:00-;5",
                                  "14:00-25:00;5", "14:00-14:30-15:00;5"})
            QVERIFY2(!PaceTarget::fromText(wrong).isSet(), wrong);
    }
};

ORVL_TEST_MAIN(TestTalkPace)
#include "tst_talkpace.moc"
