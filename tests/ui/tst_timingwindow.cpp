// "Zeiten" on a deck with two runs and a plan: the table's numbers, the chart's series, the CSV
// export, and edits of the plan and the kept slides that reach the store.
#include "support/TestSupport.h"
#include "timing/TimingCsv.h"
#include "ui/timing/TimingWindow.h"

#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

namespace {

const QString deckPath = QStringLiteral("/talks/vortrag.pdf");

TalkRun run(const QString& id, TalkRun::Kind kind, const QString& start,
            const QList<TalkRun::Slide>& slides) {
    TalkRun made;
    made.id = id;
    made.kind = kind;
    made.startMs = double(QDateTime::fromString(start, Qt::ISODate).toMSecsSinceEpoch());
    made.endMs = made.startMs + 600'000;
    made.slides = slides;
    return made;
}

// A rehearsal, then the talk: slide 1 ran over its plan of 0:30 with 5 s of it blanked.
void fill(TimingStore& store) {
    for (const TalkRun& made : {run("probe", TalkRun::Kind::rehearsal, "2026-03-10T10:00:00",
                                    {{30, 0, 1}, {60, 0, 1}, {20, 0, 1}}),
                                run("vortrag", TalkRun::Kind::talk, "2026-03-12T14:00:00",
                                    {{40, 5, 1}, {62, 0, 2}, {20, 0, 1}})}) {
        store.beginRun(deckPath, made);
        store.endRun(deckPath, made);
    }
    store.setPlan(deckPath, SlidePlan{{30, 60, 30}});
}

QBarSeries* barSeries(TimingWindow& window) {
    const QList<QAbstractSeries*> series = window.chart()->series();
    return series.size() == 1 ? qobject_cast<QBarSeries*>(series.at(0)) : nullptr;
}

QPushButton* button(TimingWindow& window, const QString& text) {
    for (QPushButton* found : window.findChildren<QPushButton*>())
        if (found->text() == text)
            return found;
    return nullptr;
}

} // namespace

class TestTimingWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(TestSupport::useGerman()); }

    void tableCells_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::newRow("slides numbered from 1") << 2 << int(TimingWindow::slideColumn) << "3";
        QTest::newRow("over the plan, marked") << 0 << int(TimingWindow::runColumn) << "0:45 ▲";
        QTest::newRow("the blanked part") << 0 << int(TimingWindow::blankColumn) << "0:05";
        QTest::newRow("nothing blanked, nothing said") << 1 << int(TimingWindow::blankColumn) << "";
        QTest::newRow("within the plan, unmarked") << 1 << int(TimingWindow::runColumn) << "1:02";
        QTest::newRow("the plan") << 2 << int(TimingWindow::planColumn) << "0:30";
        QTest::newRow("the mean of the earlier run")
            << 2 << int(TimingWindow::averageColumn) << "0:20";
    }
    void tableCells() {
        QFETCH(int, row);
        QFETCH(int, column);
        QTemporaryDir folder;
        TimingStore store(folder.path());
        fill(store);
        TimingWindow window(store);
        window.showDeck(deckPath, 3);
        QCOMPARE(window.chosenRun(), QStringLiteral("vortrag"));
        QCOMPARE(window.tableView()->rowCount(), 3);
        QTEST(window.tableView()->item(row, column)->text(), "text");
    }

    void summaryAgainstTheTalkLength() {
        QTemporaryDir folder;
        TimingStore store(folder.path());
        fill(store);
        TimingWindow window(store);
        window.showDeck(deckPath, 3);
        window.setTalkSeconds(150);
        QCOMPARE(window.summaryLabel()->text(),
                 QStringLiteral("Dieser Lauf: 2:07 von 2:30 · Plan: 2:00 · "
                                "Mittel früherer Läufe: 1:50 · 1 Folie überzogen"));
    }

    // The chosen run beside the plan and the mean of the runs before it: the first run has none.
    void chartSeries_data() {
        QTest::addColumn<QString>("runId");
        QTest::addColumn<QStringList>("sets");
        QTest::addColumn<QList<qreal>>("ran");
        QTest::addColumn<QList<int>>("over");
        QTest::newRow("the talk") << "vortrag"
                                  << QStringList{"Dieser Lauf", "Plan", "Mittel früherer Läufe"}
                                  << QList<qreal>{45, 62, 20} << QList<int>{0};
        QTest::newRow("the first run") << "probe" << QStringList{"Dieser Lauf", "Plan"}
                                       << QList<qreal>{30, 60, 20} << QList<int>{};
    }
    void chartSeries() {
        QFETCH(QString, runId);
        QTemporaryDir folder;
        TimingStore store(folder.path());
        fill(store);
        TimingWindow window(store);
        window.showDeck(deckPath, 3);
        window.chooseRun(runId);
        QBarSeries* series = barSeries(window);
        QVERIFY(series);
        QStringList names;
        for (const QBarSet* set : series->barSets())
            names.append(set->label());
        QTEST(names, "sets");
        QBarSet* ran = series->barSets().at(0);
        QList<qreal> values;
        for (int i = 0; i < ran->count(); ++i)
            values.append(ran->at(i));
        QTEST(values, "ran");
        QTEST(ran->selectedBars(), "over");
        QCOMPARE(series->barSets().at(1)->at(2), 30.0);
    }

    void exportsTheTableAsCsv() {
        QTemporaryDir folder;
        TimingStore store(folder.path());
        fill(store);
        TimingWindow window(store);
        window.showDeck(deckPath, 3);
        const QString path = folder.filePath(QStringLiteral("zeiten.csv"));
        QVERIFY(window.exportCsv(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray written = file.readAll();
        QCOMPARE(written, TimingCsv::write(window.shownTable()));
        QVERIFY(written.contains("\r\n1,45.0,5.0,30.0,30.0,1,0\r\n"));
        QVERIFY(!window.exportCsv(folder.filePath(QStringLiteral("missing/zeiten.csv"))));
    }

    // Edits reach the store; a cell that holds no time shows the plan again.
    void planEdits_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<int>>("plan");
        QTest::addColumn<QString>("shown");
        QTest::newRow("minutes and seconds") << "0:45" << QList<int>{30, 60, 45} << "0:45";
        QTest::newRow("plain seconds") << "90" << QList<int>{30, 60, 90} << "1:30";
        QTest::newRow("no time") << "bald" << QList<int>{30, 60, 30} << "0:30";
    }
    void planEdits() {
        QFETCH(QString, typed);
        QTemporaryDir folder;
        TimingStore store(folder.path());
        fill(store);
        TimingWindow window(store);
        window.showDeck(deckPath, 3);
        window.tableView()->item(2, TimingWindow::planColumn)->setText(typed);
        QTEST(store.deck(deckPath).plan.seconds, "plan");
        QTEST(window.tableView()->item(2, TimingWindow::planColumn)->text(), "shown");
    }

    void keepMarksAndAdoption() {
        QTemporaryDir folder;
        TimingStore store(folder.path());
        fill(store);
        TimingWindow window(store);
        window.showDeck(deckPath, 3);
        window.tableView()->item(1, TimingWindow::keepColumn)->setCheckState(Qt::Checked);
        QCOMPARE(store.deck(deckPath).kept, QSet<qsizetype>{1});
        QCOMPARE(window.tableView()->item(1, TimingWindow::keepColumn)->checkState(), Qt::Checked);

        window.chooseRun(QStringLiteral("probe"));
        QPushButton* adopt = button(window, QStringLiteral("Als Plan übernehmen"));
        QVERIFY(adopt);
        adopt->click();
        QCOMPARE(store.deck(deckPath).plan.seconds, (QList<int>{30, 60, 20}));
        QCOMPARE(window.tableView()->item(2, TimingWindow::planColumn)->text(),
                 QStringLiteral("0:20"));
        QCOMPARE(window.chosenRun(), QStringLiteral("probe"));
    }

    // Changes made elsewhere (a rename, a new run) show at once; the choice stays.
    void followsTheStore() {
        QTemporaryDir folder;
        TimingStore store(folder.path());
        fill(store);
        TimingWindow window(store);
        window.showDeck(deckPath, 3);
        window.chooseRun(QStringLiteral("probe"));
        store.rename(deckPath, QStringLiteral("probe"), QStringLiteral("Generalprobe"));
        QVERIFY(window.runChooser()->currentText().startsWith(QStringLiteral("Generalprobe (")));
        store.beginRun(deckPath, run("neu", TalkRun::Kind::talk, "2026-03-13T09:00:00", {}));
        QCOMPARE(window.runChooser()->count(), 3);
        QVERIFY(window.runChooser()->itemText(0).endsWith(QStringLiteral("läuft")));
        QCOMPARE(window.chosenRun(), QStringLiteral("probe"));
    }

    void emptyDeck() {
        QTemporaryDir folder;
        TimingStore store(folder.path());
        TimingWindow window(store);
        window.showDeck(deckPath, 3);
        QCOMPARE(window.summaryLabel()->text(), QStringLiteral("Noch keine Läufe aufgezeichnet"));
        QVERIFY(window.chart()->series().isEmpty());
        QVERIFY(!button(window, QStringLiteral("CSV exportieren …"))->isEnabled());
    }
};

ORVL_TEST_MAIN(TestTimingWindow)
#include "tst_timingwindow.moc"
