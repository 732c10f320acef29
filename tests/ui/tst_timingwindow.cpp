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

// A rehearsal, then the talk: slide 1 ran over its plan of 0:30 with 5 s of it blanked. The
// window shows the talk.
struct Opened {
    QTemporaryDir folder;
    TimingStore store{folder.path()};
    TimingWindow window{store};

    Opened() {
        for (const TalkRun& made : {run("probe", TalkRun::Kind::rehearsal, "2026-03-10T10:00:00",
                                        {{30, 0, 1}, {60, 0, 1}, {20, 0, 1}}),
                                    run("vortrag", TalkRun::Kind::talk, "2026-03-12T14:00:00",
                                        {{40, 5, 1}, {62, 0, 2}, {20, 0, 1}})}) {
            store.beginRun(deckPath, made);
            store.endRun(deckPath, made);
        }
        store.setPlan(deckPath, SlidePlan{{30, 60, 30}});
        window.showDeck(deckPath, 3);
    }
};

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
        QTest::newRow("over the plan, marked") << 0 << int(TimingWindow::runColumn) << "0:45 ▲";
        QTest::newRow("the blanked part") << 0 << int(TimingWindow::blankColumn) << "0:05";
        QTest::newRow("within the plan, unmarked") << 1 << int(TimingWindow::runColumn) << "1:02";
        QTest::newRow("the plan") << 2 << int(TimingWindow::planColumn) << "0:30";
        QTest::newRow("the mean of the earlier run")
            << 2 << int(TimingWindow::averageColumn) << "0:20";
    }
    void tableCells() {
        QFETCH(int, row);
        QFETCH(int, column);
        Opened opened;
        QCOMPARE(opened.window.chosenRun(), QStringLiteral("vortrag"));
        QCOMPARE(opened.window.tableView()->rowCount(), 3);
        QTEST(opened.window.tableView()->item(row, column)->text(), "text");
    }

    void summaryAgainstTheTalkLength() {
        Opened opened;
        opened.window.setTalkSeconds(150);
        QCOMPARE(opened.window.summaryLabel()->text(),
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
        Opened opened;
        opened.window.chooseRun(runId);
        QBarSeries* series = barSeries(opened.window);
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
        Opened opened;
        const QString path = opened.folder.filePath(QStringLiteral("zeiten.csv"));
        QVERIFY(opened.window.exportCsv(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray written = file.readAll();
        QCOMPARE(written, TimingCsv::write(opened.window.shownTable()));
        QVERIFY(written.contains("\r\n1,45.0,5.0,30.0,30.0,1,0\r\n"));
        QVERIFY(
            !opened.window.exportCsv(opened.folder.filePath(QStringLiteral("missing/zeiten.csv"))));
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
        Opened opened;
        opened.window.tableView()->item(2, TimingWindow::planColumn)->setText(typed);
        QTEST(opened.store.deck(deckPath).plan.seconds, "plan");
        QTEST(opened.window.tableView()->item(2, TimingWindow::planColumn)->text(), "shown");
    }

    void keepMarksAndAdoption() {
        Opened opened;
        opened.window.tableView()->item(1, TimingWindow::keepColumn)->setCheckState(Qt::Checked);
        QCOMPARE(opened.store.deck(deckPath).kept, QSet<qsizetype>{1});
        QCOMPARE(opened.window.tableView()->item(1, TimingWindow::keepColumn)->checkState(),
                 Qt::Checked);

        opened.window.chooseRun(QStringLiteral("probe"));
        QPushButton* adopt = button(opened.window, QStringLiteral("Als Plan übernehmen"));
        QVERIFY(adopt);
        adopt->click();
        QCOMPARE(opened.store.deck(deckPath).plan.seconds, (QList<int>{30, 60, 20}));
        QCOMPARE(opened.window.tableView()->item(2, TimingWindow::planColumn)->text(),
                 QStringLiteral("0:20"));
        QCOMPARE(opened.window.chosenRun(), QStringLiteral("probe"));
    }

    // Changes made elsewhere (a rename, a new run) show at once; the choice stays.
    void followsTheStore() {
        Opened opened;
        opened.window.chooseRun(QStringLiteral("probe"));
        opened.store.rename(deckPath, QStringLiteral("probe"), QStringLiteral("Generalprobe"));
        QVERIFY(
            opened.window.runChooser()->currentText().startsWith(QStringLiteral("Generalprobe (")));
        opened.store.beginRun(deckPath, run("neu", TalkRun::Kind::talk, "2026-03-13T09:00:00", {}));
        QCOMPARE(opened.window.runChooser()->count(), 3);
        QVERIFY(opened.window.runChooser()->itemText(0).endsWith(QStringLiteral("läuft")));
        QCOMPARE(opened.window.chosenRun(), QStringLiteral("probe"));
    }
};

ORVL_TEST_MAIN(TestTimingWindow)
#include "tst_timingwindow.moc"
