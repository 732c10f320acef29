// The per-deck files: damaged and foreign ones reported and put aside without touching other
// decks, runs renamed and deleted, plans adopted and kept slides stored, what automation reads,
// and a failing disk reported once.
#include "support/TestSupport.h"
#include "timing/TimingStore.h"

#include <QJsonDocument>

namespace {

const QString deckPath = QStringLiteral("/talks/vortrag.pdf");
const QString otherDeck = QStringLiteral("/talks/anderer.pdf");

TalkRun run(const QString& id, TalkRun::Kind kind, double startMs, const QList<double>& shown) {
    TalkRun made;
    made.id = id;
    made.kind = kind;
    made.startMs = startMs;
    made.endMs = startMs + 60'000;
    for (const double seconds : shown)
        made.slides.append({seconds, 0, 1});
    return made;
}

QJsonObject deckFile(const QString& deck, const QJsonArray& runs) {
    return {{"kind", "talvane-orvello-timings"},
            {"format", 1},
            {"deck", deck},
            {"runs", runs},
            {"keep", QJsonArray{}}};
}

QByteArray withMember(QJsonObject object, const QString& key, const QJsonValue& value) {
    object.insert(key, value);
    return QJsonDocument(object).toJson();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QStringList setAside(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("*.damaged-*")}, QDir::Files);
}

} // namespace

class TestTimingStore : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(TestSupport::useGerman()); }

    void badFiles_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<int>("runsRead");
        QTest::addColumn<bool>("planRead");
        QTest::addColumn<QString>("reported");
        QTest::addColumn<bool>("originalStays");
        const QJsonArray good{run("a", TalkRun::Kind::talk, 1000, {10, 20}).toJson()};
        const QJsonObject valid = deckFile(deckPath, good);
        const QString damaged = QStringLiteral("waren beschädigt; die Datei liegt jetzt unter");
        const QString foreign = QStringLiteral("stammen nicht von hier");
        const QString partly = QStringLiteral("Einige Zeiten zu vortrag.pdf");
        QTest::newRow("a sound file")
            << withMember(valid, "plan", QJsonArray{10, 20}) << 1 << true << QString() << true;
        QTest::newRow("no JSON at all")
            << QByteArray("\x00\x01PK garbage", 12) << 0 << false << damaged << false;
        QTest::newRow("another program's file")
            << withMember(valid, "kind", "something-else") << 0 << false << foreign << false;
        QTest::newRow("a newer format")
            << withMember(valid, "format", 2) << 0 << false << foreign << false;
        QTest::newRow("another deck's file")
            << withMember(valid, "deck", "/elsewhere.pdf") << 0 << false << foreign << false;
        QTest::newRow("one bad run among good ones")
            << withMember(valid, "runs", QJsonArray{good.at(0), QJsonObject{{"id", 5}}}) << 1
            << false << partly << true;
        QTest::newRow("a plan of the wrong type")
            << withMember(valid, "plan", QJsonArray{10, "zwanzig"}) << 1 << false << partly << true;
    }
    void badFiles() {
        QFETCH(QByteArray, contents);
        QFETCH(QString, reported);
        QFETCH(bool, originalStays);
        QTemporaryDir folder;
        {
            TimingStore store(folder.path());
            store.beginRun(otherDeck, run("b", TalkRun::Kind::talk, 1000, {5}));
            store.endRun(otherDeck, store.deck(otherDeck).runs.at(0));
            writeFile(store.fileFor(deckPath), contents);
        }
        TimingStore store(folder.path());
        QSignalSpy problems(&store, &TimingStore::problem);
        const DeckTimings& deck = store.deck(deckPath);
        QTEST(int(deck.runs.size()), "runsRead");
        QTEST(deck.plan.isSet(), "planRead");
        QCOMPARE(problems.size(), reported.isEmpty() ? 0 : 1);
        if (!reported.isEmpty())
            QVERIFY2(problems.at(0).at(0).toString().contains(reported),
                     qPrintable(problems.at(0).at(0).toString()));
        QCOMPARE(setAside(folder.path()).size(), reported.isEmpty() ? 0 : 1);
        QCOMPARE(QFile::exists(store.fileFor(deckPath)), originalStays);
        // Nothing of it reaches another deck.
        QCOMPARE(store.deck(otherDeck).runs.size(), 1);
    }

    // Renames, deletions, the plan and the kept slides are on disk for the next start.
    void editsStay() {
        QTemporaryDir folder;
        {
            TimingStore store(folder.path());
            for (const TalkRun& made : {run("a", TalkRun::Kind::talk, 1000, {10}),
                                        run("b", TalkRun::Kind::talk, 2000, {20})}) {
                store.beginRun(deckPath, made);
                store.endRun(deckPath, made);
            }
            QSignalSpy changed(&store, &TimingStore::deckChanged);
            QVERIFY(store.rename(deckPath, "a", QStringLiteral("  Generalprobe\n Mittwoch ")));
            QVERIFY(store.remove(deckPath, "b"));
            QVERIFY(!store.remove(deckPath, "b"));
            store.setKept(deckPath, 4, true);
            store.setKept(deckPath, 2, true);
            store.setKept(deckPath, 4, false);
            store.setPlan(deckPath, SlidePlan{{30, 30, 30}});
            QCOMPARE(changed.size(), 6);
        }
        TimingStore store(folder.path());
        QCOMPARE(store.deck(deckPath).runs.size(), 1);
        QCOMPARE(store.deck(deckPath).runs.at(0).name, QStringLiteral("Generalprobe Mittwoch"));
        QCOMPARE(store.deck(deckPath).kept, QSet<qsizetype>{2});
        QCOMPARE(store.deck(deckPath).plan.seconds, (QList<int>{30, 30, 30}));
    }

    void adoptPlans_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QList<int>>("plan");
        QTest::newRow("a chosen run") << "run t1" << QList<int>{10, 60, 30};
        QTest::newRow("the last run, not the one being recorded")
            << "last" << QList<int>{40, 40, 40};
        QTest::newRow("the mean of the rehearsals only") << "rehearsals" << QList<int>{25, 45, 20};
    }
    void adoptPlans() {
        QFETCH(QString, how);
        QTemporaryDir folder;
        {
            TimingStore store(folder.path());
            const QList<TalkRun> runs{run("t1", TalkRun::Kind::talk, 1000, {10, 60, 30}),
                                      run("r1", TalkRun::Kind::rehearsal, 2000, {20, 50, 20}),
                                      run("r2", TalkRun::Kind::rehearsal, 3000, {30, 40, 20}),
                                      run("t2", TalkRun::Kind::talk, 4000, {40, 40, 40})};
            for (const TalkRun& made : runs) {
                store.beginRun(deckPath, made);
                store.endRun(deckPath, made);
            }
            store.beginRun(deckPath, run("live", TalkRun::Kind::rehearsal, 5000, {90, 90, 90}));
            bool adopted = false;
            if (how == QLatin1String("last"))
                adopted = store.adoptLastRun(deckPath, 3);
            else if (how == QLatin1String("rehearsals"))
                adopted = store.adoptRehearsalAverage(deckPath, 3);
            else
                adopted = store.adoptRun(deckPath, how.section(' ', 1), 3);
            QVERIFY(adopted);
        }
        TimingStore store(folder.path());
        QTEST(store.deck(deckPath).plan.seconds, "plan");
    }

    void summaryForAutomation() {
        QTemporaryDir folder;
        TimingStore store(folder.path());
        TalkRun made = run("r", TalkRun::Kind::rehearsal, 1'773'324'000'000.0, {12.3456, 0});
        store.beginRun(deckPath, made);
        const QJsonArray summary = store.summary(deckPath);
        QCOMPARE(summary.size(), 1);
        const QJsonObject entry = summary.at(0).toObject();
        QCOMPARE(entry.value("kind").toString(), QStringLiteral("rehearsal"));
        QCOMPARE(entry.value("start").toString(), QStringLiteral("2026-03-12T14:00:00.000Z"));
        QCOMPARE(entry.value("seconds").toArray(), (QJsonArray{12.346, 0}));
        QCOMPARE(entry.value("complete").toBool(), true);
    }

    // A disk that refuses every write is reported once, not at every slide.
    void failingWritesReportedOnce() {
        QTemporaryDir folder;
        writeFile(folder.filePath("blocked"), "a file where the folder should be");
        TimingStore store(folder.filePath("blocked/timings"));
        QSignalSpy problems(&store, &TimingStore::problem);
        store.setPlan(deckPath, SlidePlan{{10}});
        store.flush();
        store.setPlan(deckPath, SlidePlan{{20}});
        // Each write reports back before flush() returns; the reports arrive as queued calls.
        store.flush();
        QCoreApplication::processEvents();
        QCOMPARE(problems.size(), 1);
        QVERIFY(problems.at(0).at(0).toString().startsWith(
            QStringLiteral("Die Zeiten konnten nicht gespeichert werden")));
    }
};

ORVL_TEST_MAIN(TestTimingStore)
#include "tst_timingstore.moc"
