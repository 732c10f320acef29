// Plans from a run and from the mean of runs, the time texts the plan is edited in, the timing
// table of a run against its plan and earlier runs, and the table as CSV.
#include "support/TestSupport.h"
#include "timing/TimingCsv.h"

using Seconds = QList<double>;
using Slides = QList<int>;

namespace {

TalkRun run(const QString& id, double startMs, const Seconds& shown, const Seconds& blank = {},
            TalkRun::Kind kind = TalkRun::Kind::rehearsal) {
    TalkRun made;
    made.id = id;
    made.kind = kind;
    made.startMs = startMs;
    made.endMs = startMs + 1000;
    for (qsizetype i = 0; i < shown.size(); ++i)
        made.slides.append({shown.at(i), blank.value(i), 1});
    return made;
}

} // namespace

class TestSlidePlan : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(TestSupport::useGerman()); }

    void planFromRun_data() {
        QTest::addColumn<Seconds>("shown");
        QTest::addColumn<Seconds>("blank");
        QTest::addColumn<qsizetype>("slideCount");
        QTest::addColumn<Slides>("plan");
        QTest::newRow("rounded, halves away from zero")
            << Seconds{12.5, 40.4, 0} << Seconds{} << qsizetype(3) << Slides{13, 40, 0};
        QTest::newRow("blanked time counts: the speaker talked")
            << Seconds{10, 20} << Seconds{5, 0} << qsizetype(2) << Slides{15, 20};
        QTest::newRow("a deck grown since gets nothing for its new slides")
            << Seconds{10, 20} << Seconds{} << qsizetype(3) << Slides{10, 20, 0};
        QTest::newRow("a deck shrunk since drops the rest")
            << Seconds{10, 20, 30} << Seconds{} << qsizetype(2) << Slides{10, 20};
    }
    void planFromRun() {
        QFETCH(Seconds, shown);
        QFETCH(Seconds, blank);
        QFETCH(qsizetype, slideCount);
        QTEST(SlidePlan::fromRun(run("a", 0, shown, blank), slideCount).seconds, "plan");
    }

    void planFromAverage_data() {
        QTest::addColumn<QList<Seconds>>("runs");
        QTest::addColumn<Slides>("plan");
        QTest::newRow("the mean per slide")
            << QList<Seconds>{{10, 60, 30}, {20, 40, 31}} << Slides{15, 50, 31};
        QTest::newRow("runs of another slide count are left out")
            << QList<Seconds>{{10, 60, 30}, {99, 99}, {20, 40, 30, 5}} << Slides{10, 60, 30};
        QTest::newRow("no run of this slide count, no plan")
            << QList<Seconds>{{10, 20}} << Slides{};
    }
    void planFromAverage() {
        QFETCH(QList<Seconds>, runs);
        QList<TalkRun> made;
        for (const Seconds& shown : runs)
            made.append(run(QString::number(made.size()), 0, shown));
        QTEST(SlidePlan::averageOf(made, 3).seconds, "plan");
    }

    void timeTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain seconds") << "90" << 90 << "1:30";
        QTest::newRow("minutes and seconds") << "1:30" << 90 << "1:30";
        QTest::newRow("hours") << "1:02:05" << 3725 << "1:02:05";
        QTest::newRow("seconds beyond 59 after a colon") << "1:75" << -1 << "";
        QTest::newRow("one digit after a colon") << "1:5" << -1 << "";
        QTest::newRow("negative") << "-5" << -1 << "";
        QTest::newRow("longer than a talk can be") << "101:00:00" << -1 << "";
    }
    void timeTexts() {
        QFETCH(QString, text);
        QFETCH(int, seconds);
        const std::optional<int> parsed = SlidePlan::parseSeconds(text);
        QCOMPARE(parsed.value_or(-1), seconds);
        if (parsed)
            QTEST(SlidePlan::formatSeconds(*parsed), "shown");
    }

    // Over is measured against the plan, or without one against the mean of earlier runs; later
    // runs never count in that mean.
    void table_data() {
        QTest::addColumn<Slides>("plan");
        QTest::addColumn<QList<bool>>("over");
        QTest::addColumn<double>("meanOfFirst");
        QTest::newRow("against the plan")
            << Slides{30, 60, 30} << QList<bool>{true, false, false} << 20.0;
        QTest::newRow("against the mean without a plan")
            << Slides{} << QList<bool>{true, false, true} << 20.0;
        QTest::newRow("a plan for another slide count is none")
            << Slides{30, 60} << QList<bool>{true, false, true} << 20.0;
    }
    void table() {
        QFETCH(Slides, plan);
        DeckTimings deck;
        deck.plan.seconds = plan;
        deck.kept = {2};
        deck.runs = {run("first", 1000, {10, 60, 20}), run("second", 2000, {30, 70, 20}),
                     run("chosen", 3000, {40, 65, 30}, {5, 0, 0}),
                     run("later", 4000, {500, 500, 500})};
        const TimingTable table = TimingTable::build(deck, QStringLiteral("chosen"), 3);
        QCOMPARE(table.rows.size(), 3);
        QCOMPARE(table.earlierRuns, 2);
        QCOMPARE(table.totalSeconds, 140.0);
        QCOMPARE(table.rows.at(0).seconds, 45.0);
        QCOMPARE(table.rows.at(0).blankSeconds, 5.0);
        QTEST(table.rows.at(0).averageSeconds.value_or(-1), "meanOfFirst");
        QCOMPARE(table.averageTotal.value_or(-1), 20.0 + 65.0 + 20.0);
        QCOMPARE(table.plannedTotal.has_value(), plan.size() == 3);
        QFETCH(QList<bool>, over);
        for (qsizetype slide = 0; slide < 3; ++slide)
            QCOMPARE(table.rows.at(slide).over, over.at(slide));
        QCOMPARE(table.rows.at(2).kept, true);
    }

    void csv() {
        DeckTimings deck;
        deck.plan.seconds = {30, 60};
        deck.kept = {1};
        deck.runs = {run("earlier", 1000, {20, 50}), run("chosen", 2000, {40.25, 61}, {1.5, 0})};
        const QByteArray expected =
            "Folie,Dieser Lauf (s),davon schwarz (s),Plan (s),Mittel früherer Läufe (s),"
            "Überzogen,Behalten\r\n"
            "1,41.8,1.5,30.0,20.0,1,0\r\n"
            "2,61.0,0.0,60.0,50.0,0,1\r\n"
            "Gesamt,102.8,1.5,90.0,70.0,1,\r\n";
        QCOMPARE(TimingCsv::write(TimingTable::build(deck, QStringLiteral("chosen"), 2)), expected);
    }
};

ORVL_TEST_MAIN(TestSlidePlan)
#include "tst_slideplan.moc"
