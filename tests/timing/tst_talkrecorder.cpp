// Recording a talk on a manual clock: jumps, returns, blanking and skips; the file written at
// every change, what a crash mid-slide leaves, and the bound on the runs kept.
#include "support/ManualClock.h"
#include "support/TestSupport.h"
#include "timing/TalkRecorder.h"
#include "timing/TimingStore.h"

using Seconds = QList<double>;
using Counts = QList<int>;

namespace {

const QString deckPath = QStringLiteral("/talks/vortrag.pdf");

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

} // namespace

class TestTalkRecorder : public QObject {
    Q_OBJECT
private slots:
    // Steps: "@N" shows slide N, "b" blanks, "u" ends blanking, "+S" lets S seconds pass,
    // "-S" sets the clock back by S seconds. The run starts on slide 0, unblanked.
    void record_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<Seconds>("shown");
        QTest::addColumn<Seconds>("blank");
        QTest::addColumn<Counts>("visits");
        QTest::newRow("straight through")
            << "+10 @1 +20 @2 +5" << Seconds{10, 20, 5} << Seconds{0, 0, 0} << Counts{1, 1, 1};
        QTest::newRow("a return adds to the first visit")
            << "+10 @1 +5 @0 +7 @1 +3" << Seconds{17, 8, 0} << Seconds{0, 0, 0} << Counts{2, 2, 0};
        QTest::newRow("a jump passes slides by")
            << "+10 @2 +5" << Seconds{10, 0, 5} << Seconds{0, 0, 0} << Counts{1, 0, 1};
        QTest::newRow("blanked time is kept apart")
            << "+10 b +20 u +5" << Seconds{15, 0, 0} << Seconds{20, 0, 0} << Counts{1, 0, 0};
        QTest::newRow("moving on while blanked")
            << "b +5 @1 +5 u +5" << Seconds{0, 5, 0} << Seconds{5, 5, 0} << Counts{1, 1, 0};
        QTest::newRow("the same slide again is no visit")
            << "+5 @0 +5" << Seconds{10, 0, 0} << Seconds{0, 0, 0} << Counts{1, 0, 0};
        QTest::newRow("a clock set back takes nothing from other slides")
            << "+10 @1 -100 +5 @2 +3" << Seconds{10, 0, 3} << Seconds{0, 0, 0} << Counts{1, 1, 1};
        QTest::newRow("a slide outside the deck counts nowhere")
            << "+10 @7 +30 @2 +5" << Seconds{10, 0, 5} << Seconds{0, 0, 0} << Counts{1, 0, 1};
    }
    void record() {
        QFETCH(QString, steps);
        QTemporaryDir folder;
        TimingStore store(folder.path());
        ManualClock clock;
        TalkRecorder recorder(store, clock);
        recorder.start(deckPath, 3, TalkRun::Kind::talk, 0, false);
        qsizetype slide = 0;
        bool blank = false;
        for (const QString& step : steps.split(QLatin1Char(' '))) {
            if (step.startsWith(QLatin1Char('+')))
                clock.advance(step.mid(1).toDouble() * 1000);
            else if (step.startsWith(QLatin1Char('-')))
                clock.setNow(clock.nowMs() - step.mid(1).toDouble() * 1000);
            else if (step.startsWith(QLatin1Char('@')))
                slide = step.mid(1).toInt();
            blank = step == QLatin1String("b") || (blank && step != QLatin1String("u"));
            recorder.show(slide, blank);
        }
        recorder.stop();

        const std::optional<TalkRun> run = store.run(deckPath, recorder.run().id);
        QVERIFY(run);
        QVERIFY(run->endMs);
        Seconds shown, blanked;
        Counts visits;
        for (const TalkRun::Slide& entry : run->slides) {
            shown.append(entry.shownSeconds);
            blanked.append(entry.blankSeconds);
            visits.append(entry.visits);
        }
        QTEST(shown, "shown");
        QTEST(blanked, "blank");
        QTEST(visits, "visits");
        // What is on disk is what the store holds.
        store.flush();
        TimingStore reread(folder.path());
        QCOMPARE(reread.run(deckPath, run->id), run);
    }

    void rehearsalAndSkipAreNoted() {
        QTemporaryDir folder;
        TimingStore store(folder.path());
        ManualClock clock;
        TalkRecorder recorder(store, clock);
        recorder.start(deckPath, 10, TalkRun::Kind::rehearsal, 0, false);
        QVERIFY(!store.remove(deckPath, recorder.run().id)); // not while it is recorded
        clock.advance(90'000);
        recorder.noteSkip(3, 5, 200);
        recorder.show(6, false);
        recorder.noteSkip(8, 12, 60); // past the deck: not a skip this deck can have
        recorder.stop();
        const TalkRun run = store.deck(deckPath).runs.value(0);
        QCOMPARE(run.kind, TalkRun::Kind::rehearsal);
        QCOMPARE(run.skips, (QList<TalkRun::Skip>{{3, 5, 90.0, 200}}));
    }

    // Every change reaches the file: a crash mid-slide loses that slide's seconds only, and the
    // next start finds the run cut short. A file cut off mid-write (a disk fault) is reported and
    // put aside; the other deck keeps its record, and recording goes on in a fresh file.
    void crashMidSlide() {
        QTemporaryDir folder;
        ManualClock clock;
        const QString otherDeck = QStringLiteral("/talks/anderer.pdf");
        QString path;
        QByteArray atCrash;
        {
            TimingStore store(folder.path());
            TalkRecorder recorder(store, clock);
            recorder.start(otherDeck, 1, TalkRun::Kind::talk, 0, false);
            recorder.stop();
            recorder.start(deckPath, 3, TalkRun::Kind::talk, 0, false);
            clock.advance(10'000);
            recorder.show(1, false);
            clock.advance(4'000);
            recorder.show(1, true);
            clock.advance(20'000); // the program dies here, on slide 1 blanked
            store.flush();
            path = store.fileFor(deckPath);
            atCrash = readFile(path);
        }
        // A dying process never ends the run: the file is what it was at the crash.
        writeFile(path, atCrash);
        const TalkRun run = TimingStore(folder.path()).deck(deckPath).runs.value(0);
        QVERIFY(!run.endMs);
        QCOMPARE(run.slides.at(0).shownSeconds, 10.0);
        QCOMPARE(run.slides.at(1).shownSeconds, 4.0);
        QCOMPARE(run.slides.at(1).blankSeconds, 0.0);

        const QByteArray cutOff = atCrash.left(atCrash.size() / 2);
        writeFile(path, cutOff);
        TimingStore store(folder.path());
        QSignalSpy problems(&store, &TimingStore::problem);
        QVERIFY(store.deck(deckPath).runs.isEmpty());
        QCOMPARE(problems.size(), 1);
        const QStringList aside = QDir(folder.path()).entryList({QStringLiteral("*.damaged-*")});
        QCOMPARE(aside.size(), 1);
        QCOMPARE(readFile(folder.filePath(aside.at(0))), cutOff);
        QCOMPARE(store.deck(otherDeck).runs.size(), 1);
        TalkRecorder recorder(store, clock);
        recorder.start(deckPath, 2, TalkRun::Kind::talk, 0, false);
        recorder.stop();
        store.flush();
        QCOMPARE(TimingStore(folder.path()).deck(deckPath).runs.size(), 1);
    }

    // The newest runs stay; the oldest go as new ones begin.
    void boundedRuns() {
        QTemporaryDir folder;
        TimingStore store(folder.path());
        ManualClock clock;
        TalkRecorder recorder(store, clock);
        QStringList ids;
        for (qsizetype i = 0; i < TimingStore::maximumRuns + 5; ++i) {
            recorder.start(deckPath, 2, TalkRun::Kind::talk, 0, false);
            clock.advance(1000);
            recorder.stop();
            ids.append(recorder.run().id);
        }
        QCOMPARE(store.deck(deckPath).runs.size(), TimingStore::maximumRuns);
        QCOMPARE(store.deck(deckPath).runs.first().id, ids.at(5));
        store.flush();
        QCOMPARE(TimingStore(folder.path()).deck(deckPath).runs.size(), TimingStore::maximumRuns);
    }
};

ORVL_TEST_MAIN(TestTalkRecorder)
#include "tst_talkrecorder.moc"
