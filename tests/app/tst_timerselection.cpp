// The external timer choice: the launch decision, the choice dialog, the "Ontime / Stagetimer"
// menu and what the two timer blocks are given.
#include "app/TimerSelection.h"
#include "ontime/OntimeModel.h"
#include "support/TestSupport.h"
#include "ui/timers/TimerChoiceDialog.h"

#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

using namespace TimerSelection;

namespace {

const OntimeServer stage{QStringLiteral("10.0.0.5"), 4001, OntimeAPI::v3, QStringLiteral("3.8.0")};
const OntimeServer foyer{QStringLiteral("10.0.0.9"), 4001, OntimeAPI::v1, QStringLiteral("1.2")};
const StagetimerDesktop app{QStringLiteral("10.0.0.7"), 3000, true};
const StagetimerDesktop oldApp{QStringLiteral("10.0.0.8"), 3000, false};

// Nothing connected, enabled or running, changed by `change`.
LinkState links(const std::function<void(LinkState&)>& change = {}) {
    LinkState links;
    links.ontimeStatus = QStringLiteral("Nicht verbunden");
    links.stagetimerStatus = QStringLiteral("Stagetimer: Raum nicht gefunden");
    if (change)
        change(links);
    return links;
}

OntimeReading connectedOntime(std::optional<double> remaining, const QString& playback) {
    OntimeReading reading;
    reading.connected = true;
    reading.server = stage;
    reading.status = QStringLiteral("Verbunden mit 10.0.0.5:4001 – Ontime 3.8.0");
    reading.remainingMs = remaining;
    reading.playback = playback;
    return reading;
}

StagetimerReading connectedStagetimer(std::optional<double> remaining, bool running,
                                      std::optional<double> pause) {
    StagetimerReading reading;
    reading.connected = true;
    reading.status = QStringLiteral("Verbunden mit 10.0.0.7:3000");
    reading.room = QStringLiteral("ROOM1");
    reading.remainingMs = remaining;
    reading.running = running;
    reading.pause = pause;
    return reading;
}

QStringList titles(const QList<MenuItem>& items) {
    QStringList list;
    for (const MenuItem& item : items)
        list << (item.separator ? QStringLiteral("---") : item.title);
    return list;
}

} // namespace

class TimerSelectionTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(TestSupport::useGerman()); }

    void startAction_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("stagetimerEnabled");
        QTest::addColumn<bool>("ontimeEnabled");
        QTest::addColumn<StartAction>("expected");

        QTest::newRow("nothing stored searches") << "" << false << false << StartAction::search;
        QTest::newRow("internal searches even with enabled links")
            << "internal" << true << true << StartAction::search;
        QTest::newRow("both enabled without a source starts Ontime, not Stagetimer")
            << "" << true << true << StartAction::startOntime;
        QTest::newRow("both enabled, Stagetimer last used")
            << "stagetimer" << true << true << StartAction::startStagetimer;
        QTest::newRow("both enabled, Ontime last used")
            << "ontime" << true << true << StartAction::startOntime;
        QTest::newRow("only Stagetimer enabled")
            << "" << true << false << StartAction::startStagetimer;
        QTest::newRow("Ontime last used but only Stagetimer enabled")
            << "ontime" << true << false << StartAction::startStagetimer;
        QTest::newRow("only Ontime enabled") << "" << false << true << StartAction::startOntime;
        QTest::newRow("Stagetimer source without the link enabled searches")
            << "stagetimer" << false << false << StartAction::search;
    }

    void startAction() {
        QFETCH(QString, source);
        QFETCH(bool, stagetimerEnabled);
        QFETCH(bool, ontimeEnabled);
        QTEST(TimerSelection::startAction(source, stagetimerEnabled, ontimeEnabled), "expected");
    }

    void choiceList_data() {
        QTest::addColumn<QList<OntimeServer>>("ontimes");
        QTest::addColumn<QList<StagetimerDesktop>>("apps");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<int>("selected");

        const QString internal = QStringLiteral("Interner Timer (Vortragszeit)");
        QTest::newRow("one Ontime server: it is preselected")
            << QList<OntimeServer>{stage} << QList<StagetimerDesktop>{} << ""
            << QStringList{"10.0.0.5:4001 – Ontime 3.8.0", internal} << 0;
        QTest::newRow("internal last used: internal preselected")
            << QList<OntimeServer>{stage} << QList<StagetimerDesktop>{} << "internal"
            << QStringList{"10.0.0.5:4001 – Ontime 3.8.0", internal} << 1;
        QTest::newRow("servers first, then apps, old apps marked")
            << QList<OntimeServer>{stage, foyer} << QList<StagetimerDesktop>{app, oldApp}
            << "stagetimer"
            << QStringList{"10.0.0.5:4001 – Ontime 3.8.0", "10.0.0.9:4001 – Ontime 1.2",
                           "10.0.0.7:3000 – Stagetimer", "10.0.0.8:3000 – Stagetimer (alt)",
                           internal}
            << 0;
        QTest::newRow("nothing found: only the internal timer, so no dialog")
            << QList<OntimeServer>{} << QList<StagetimerDesktop>{} << "" << QStringList{internal}
            << 0;
        QTest::newRow("only an app found")
            << QList<OntimeServer>{} << QList<StagetimerDesktop>{app} << ""
            << QStringList{"10.0.0.7:3000 – Stagetimer", internal} << 0;
    }

    void choiceList() {
        QFETCH(QList<OntimeServer>, ontimes);
        QFETCH(QList<StagetimerDesktop>, apps);
        QFETCH(QString, source);

        const QList<TimerChoice> list = choices(ontimes, apps);
        QStringList shown;
        for (const TimerChoice& choice : list)
            shown << choiceTitle(choice);
        QTEST(shown, "titles");
        QTEST(preselected(list, source), "selected");
        QVERIFY(std::holds_alternative<InternalTimer>(list.last()));
    }

    void stagetimerUse_data() {
        QTest::addColumn<StagetimerDesktop>("chosen");
        QTest::addColumn<QString>("room");
        QTest::addColumn<QString>("key");
        QTest::addColumn<StagetimerUse>("expected");

        QTest::newRow("room and key stored: connect") << app << "ROOM1"
                                                      << "KEY" << StagetimerUse::connect;
        QTest::newRow("key missing: setup window") << app << "ROOM1"
                                                   << "" << StagetimerUse::openSetup;
        QTest::newRow("room missing: setup window") << app << ""
                                                    << "KEY" << StagetimerUse::openSetup;
        QTest::newRow("app without API v1 is refused, even when configured")
            << oldApp << "ROOM1"
            << "KEY" << StagetimerUse::tooOld;
    }

    void stagetimerUse() {
        QFETCH(StagetimerDesktop, chosen);
        QFETCH(QString, room);
        QFETCH(QString, key);
        QTEST(TimerSelection::stagetimerUse(chosen, room, key), "expected");
    }

    void menuStatus_data() {
        QTest::addColumn<LinkState>("links");
        QTest::addColumn<QString>("expected");

        const auto scanning = [](LinkState& l) {
            l.scanning = true;
            l.scanProgress = 0.4;
        };
        const auto stagetimer = [&](LinkState& l) {
            scanning(l);
            l.stagetimerConnected = l.stagetimerEnabled = true;
            l.stagetimerRoom = QStringLiteral("ROOM1");
        };
        QTest::newRow("scan at 0.4 with nothing connected")
            << links(scanning) << "Suche läuft … 40 %";
        QTest::newRow("the fraction is dropped, not rounded") << links([](LinkState& l) {
            l.scanning = true;
            l.scanProgress = 0.999;
        }) << "Suche läuft … 99 %";
        QTest::newRow("a search waiting to start again says why, never 99 %")
            << links([](LinkState& l) {
                   l.scanning = true;
                   l.scanProgress = 1.0;
                   l.ontimeStatus =
                       QStringLiteral("Kein Ontime gefunden (Port 4001) – neuer Versuch …");
               })
            << "Kein Ontime gefunden (Port 4001) – neuer Versuch …";
        QTest::newRow("a connected Ontime wins over a scan") << links([&](LinkState& l) {
            scanning(l);
            l.ontimeServer = stage;
            l.ontimeConnected = true;
        }) << "● Verbunden: 10.0.0.5:4001 – Ontime 3.8.0";
        QTest::newRow("a chosen server that stopped answering shows the Ontime status")
            << links([](LinkState& l) {
                   l.ontimeServer = stage;
                   l.ontimeStatus = QStringLiteral("Verbindung zu 10.0.0.5 unterbrochen …");
               })
            << "Verbindung zu 10.0.0.5 unterbrochen …";
        QTest::newRow("a connected Stagetimer names its room")
            << links(stagetimer) << "● Verbunden: Stagetimer · Raum ROOM1";
        QTest::newRow("a connected Stagetimer without a stored room") << links([&](LinkState& l) {
            stagetimer(l);
            l.stagetimerRoom.clear();
        }) << "● Verbunden: Stagetimer · Raum ";
        QTest::newRow("an enabled Stagetimer that is not connected shows its status")
            << links([](LinkState& l) { l.stagetimerEnabled = true; })
            << "Stagetimer: Raum nicht gefunden";
        QTest::newRow("a Stagetimer attempt shows its status")
            << links([](LinkState& l) { l.stagetimerConnecting = true; })
            << "Stagetimer: Raum nicht gefunden";
        QTest::newRow("idle shows the Ontime status") << links() << "Nicht verbunden";
    }

    void menuStatus() {
        QFETCH(LinkState, links);
        QFETCH(QString, expected);
        QCOMPARE(TimerSelection::menuStatus(links), expected);
        const QList<MenuItem> items = menuItems(links);
        QCOMPARE(items.first().title, expected);
        QVERIFY(!items.first().enabled);
    }

    void internalTimerItem_data() {
        QTest::addColumn<LinkState>("links");
        QTest::addColumn<bool>("enabled");

        QTest::newRow("nothing enabled, connecting or scanning") << links() << false;
        QTest::newRow("an Ontime server is set")
            << links([](LinkState& l) { l.ontimeServer = stage; }) << true;
        QTest::newRow("Ontime enabled while reconnecting")
            << links([](LinkState& l) { l.ontimeEnabled = true; }) << true;
        QTest::newRow("a scan runs") << links([](LinkState& l) { l.scanning = true; }) << true;
        QTest::newRow("Stagetimer enabled")
            << links([](LinkState& l) { l.stagetimerEnabled = true; }) << true;
        QTest::newRow("a Stagetimer attempt runs")
            << links([](LinkState& l) { l.stagetimerConnecting = true; }) << true;
        QTest::newRow("found timers alone switch nothing on") << links([](LinkState& l) {
            l.found = {stage};
            l.stagetimersFound = {app};
        }) << false;
    }

    void internalTimerItem() {
        QFETCH(LinkState, links);
        QFETCH(bool, enabled);
        QCOMPARE(internalTimerAvailable(links), enabled);
        const MenuItem last = menuItems(links).last();
        QCOMPARE(last.title, QStringLiteral("Interner Timer verwenden"));
        QCOMPARE(last.command, MenuCommand::useInternal);
        QCOMPARE(last.enabled, enabled);
    }

    void menuWithoutFoundTimers() {
        QCOMPARE(
            titles(menuItems(links())),
            (QStringList{"Nicht verbunden", "---", "Timer im Netzwerk suchen", "Ontime verbinden …",
                         "Stagetimer verbinden …", "---", "Interner Timer verwenden"}));
        const QList<MenuItem> items = menuItems(links());
        QCOMPARE(items.at(2).shortcut, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
        QCOMPARE(items.at(3).shortcut, QKeySequence(Qt::CTRL | Qt::Key_T));
        QCOMPARE(items.at(4).shortcut, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
    }

    void foundEntriesAndTheirCheckMarks_data() {
        QTest::addColumn<LinkState>("links");
        QTest::addColumn<QList<bool>>("checked");

        const auto found = [](LinkState& l) {
            l.found = {stage, foyer};
            l.stagetimersFound = {app, oldApp};
        };
        const auto stagetimer = [&](LinkState& l) {
            found(l);
            l.stagetimerEnabled = true;
            l.stagetimerServer = QStringLiteral("10.0.0.7:3000");
        };
        QTest::newRow("nothing chosen") << links(found) << QList<bool>{false, false, false, false};
        QTest::newRow("the current server, not the other") << links([&](LinkState& l) {
            found(l);
            l.ontimeServer = foyer;
        }) << QList<bool>{false, true, false, false};
        QTest::newRow("every field must match") << links([&](LinkState& l) {
            found(l);
            l.ontimeServer = foyer;
            l.ontimeServer->version = QStringLiteral("1.3");
        }) << QList<bool>{false, false, false, false};
        QTest::newRow("the app whose address is stored, while enabled")
            << links(stagetimer) << QList<bool>{false, false, true, false};
        QTest::newRow("a stored address alone is no check mark") << links([&](LinkState& l) {
            stagetimer(l);
            l.stagetimerEnabled = false;
        }) << QList<bool>{false, false, false, false};
    }

    void foundEntriesAndTheirCheckMarks() {
        QFETCH(LinkState, links);

        const QList<MenuItem> items = menuItems(links);
        QCOMPARE(titles(items).mid(5, 6),
                 (QStringList{"---", "Gefunden:", "Verbinden mit 10.0.0.5:4001 – Ontime 3.8.0",
                              "Verbinden mit 10.0.0.9:4001 – Ontime 1.2",
                              "Verbinden mit 10.0.0.7:3000 – Stagetimer",
                              "Verbinden mit 10.0.0.8:3000 – Stagetimer (alt)"}));
        QVERIFY(!items.at(6).enabled);
        QList<bool> marks;
        for (int i = 7; i < 11; ++i) {
            QVERIFY(items.at(i).enabled);
            QVERIFY(items.at(i).checkable);
            marks << items.at(i).checked;
        }
        QTEST(marks, "checked");
        QCOMPARE(items.at(9).command, MenuCommand::connectStagetimer);
        QCOMPARE(items.at(10).index, 1);
    }

    void fillMenuRunsTheTriggeredItem() {
        const QList<MenuItem> items = menuItems(links([](LinkState& l) {
            l.found = {OntimeServer{QStringLiteral("10.0.0.5"), 4001, OntimeAPI::v3,
                                    QStringLiteral("R&D")}};
        }));
        QMenu menu;
        QList<MenuItem> ran;
        fillMenu(&menu, items, [&](const MenuItem& item) { ran << item; });
        fillMenu(&menu, items, [&](const MenuItem& item) { ran << item; });

        QList<QAction*> actions;
        for (QAction* action : menu.actions())
            if (!action->isSeparator())
                actions << action;
        QCOMPARE(actions.size(), 7); // refilling replaced the items instead of adding to them
        QVERIFY(!actions.first()->isEnabled());
        QCOMPARE(actions.at(5)->text(),
                 QStringLiteral("Verbinden mit 10.0.0.5:4001 – Ontime R&&D"));
        actions.at(5)->trigger();
        actions.at(1)->trigger();
        actions.first()->trigger();
        QCOMPARE(ran.size(), 2);
        QCOMPARE(ran.at(0).command, MenuCommand::connectOntime);
        QCOMPARE(ran.at(0).index, 0);
        QCOMPARE(ran.at(1).command, MenuCommand::search);
        QCOMPARE(actions.at(1)->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    }

    void ontimeBlock_data() {
        QTest::addColumn<OntimeReading>("reading");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<bool>("running");

        QTest::newRow("5 s over time while playing is Überzeit, not läuft")
            << connectedOntime(-5000, "play") << "10.0.0.5 · Überzeit" << false << true;
        QTest::newRow("over time while paused")
            << connectedOntime(-5000, "pause") << "10.0.0.5 · Überzeit" << true << false;
        QTest::newRow("rolling counts as running")
            << connectedOntime(60000, "roll") << "10.0.0.5 · läuft" << false << true;
        QTest::newRow("armed") << connectedOntime(300000, "armed") << "10.0.0.5 · bereit" << false
                               << false;
        QTest::newRow("exactly zero while playing is not over time")
            << connectedOntime(0, "play") << "10.0.0.5 · läuft" << false << true;
        QTest::newRow("no time known") << connectedOntime(std::nullopt, "stop")
                                       << "10.0.0.5 · kein Timer aktiv" << false << false;

        OntimeReading noServer = connectedOntime(1000, "play");
        noServer.server.reset();
        QTest::newRow("connected without a server record")
            << noServer << " · läuft" << false << true;

        OntimeReading lost = connectedOntime(1000, "play");
        lost.connected = false;
        lost.status = QStringLiteral("Verbindung zu 10.0.0.5 unterbrochen …");
        QTest::newRow("not connected shows the model's status")
            << lost << "Verbindung zu 10.0.0.5 unterbrochen …" << false << true;
        lost.trouble = LinkTrouble::lost;
        QTest::newRow("a link that keeps failing says so")
            << lost << "Verbindung zu 10.0.0.5 unterbrochen …" << false << true;
    }

    void ontimeBlock() {
        QFETCH(OntimeReading, reading);

        const BlockContent block = TimerSelection::ontimeBlock(reading);
        QTEST(block.status, "status");
        QCOMPARE(block.trouble, TimerSelection::troubleText(reading.trouble));
        QTEST(block.paused, "paused");
        QTEST(block.running, "running");
        QCOMPARE(block.remaining, reading.remainingMs);
        QCOMPARE(block.caption, QStringLiteral("Ontime-Timer"));
    }

    void stagetimerBlock_data() {
        QTest::addColumn<StagetimerReading>("reading");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("paused");

        QTest::newRow("running") << connectedStagetimer(60000, true, std::nullopt)
                                 << "Raum ROOM1 · läuft" << false;
        QTest::newRow("over time while running")
            << connectedStagetimer(-2000, true, std::nullopt) << "Raum ROOM1 · Überzeit" << false;
        QTest::newRow("paused moment reported")
            << connectedStagetimer(60000, false, 1.7e12) << "Raum ROOM1 · pausiert" << true;
        QTest::newRow("running wins over a stale pause moment")
            << connectedStagetimer(60000, true, 1.7e12) << "Raum ROOM1 · läuft" << false;
        QTest::newRow("pause of zero is a stopped timer")
            << connectedStagetimer(60000, false, 0.0) << "Raum ROOM1 · bereit" << false;
        QTest::newRow("no time known") << connectedStagetimer(std::nullopt, false, std::nullopt)
                                       << "Raum ROOM1 · kein Timer aktiv" << false;

        StagetimerReading lost = connectedStagetimer(60000, false, std::nullopt);
        lost.connected = false;
        lost.status = QStringLiteral("Stagetimer: Server nicht erreichbar");
        QTest::newRow("not connected shows the model's status")
            << lost << "Stagetimer: Server nicht erreichbar" << false;
        lost.trouble = LinkTrouble::unreachable;
        QTest::newRow("a room that never answered says so")
            << lost << "Stagetimer: Server nicht erreichbar" << false;
    }

    void stagetimerBlock() {
        QFETCH(StagetimerReading, reading);

        const BlockContent block = TimerSelection::stagetimerBlock(reading);
        QTEST(block.status, "status");
        QCOMPARE(block.trouble, TimerSelection::troubleText(reading.trouble));
        QTEST(block.paused, "paused");
        QCOMPARE(block.running, reading.running);
        QCOMPARE(block.caption, QStringLiteral("Stagetimer"));
        QVERIFY(!block.blink);
        QVERIFY(block.secondary.isEmpty());
    }

    // The event or timer name joins the caption; the messages pass through.
    void blocksCarryTitlesAndMessages() {
        OntimeReading ontime = connectedOntime(-5000, "play");
        ontime.eventTitle = QStringLiteral("Keynote");
        ontime.timerMessage = QStringLiteral("Bitte zum Ende kommen");
        ontime.timerMessageBlinks = true;
        ontime.secondaryMessage = QStringLiteral("Fragen danach");
        const BlockContent block = TimerSelection::ontimeBlock(ontime);
        QCOMPARE(block.caption, QStringLiteral("Ontime-Timer · Keynote"));
        QCOMPARE(block.message, ontime.timerMessage);
        QVERIFY(block.blink);
        QCOMPARE(block.secondary, ontime.secondaryMessage);

        StagetimerReading stagetimer = connectedStagetimer(60000, true, std::nullopt);
        stagetimer.timerName = QStringLiteral("Keynote");
        stagetimer.message = QStringLiteral("Noch 5 Minuten");
        const BlockContent other = TimerSelection::stagetimerBlock(stagetimer);
        QCOMPARE(other.caption, QStringLiteral("Stagetimer · Keynote"));
        QCOMPARE(other.message, stagetimer.message);
    }

    void troubleTexts() {
        QCOMPARE(TimerSelection::troubleText(LinkTrouble::lost),
                 QStringLiteral("Verbindung verloren"));
        QCOMPARE(TimerSelection::troubleText(LinkTrouble::unreachable),
                 QStringLiteral("nicht erreichbar"));
        QCOMPARE(TimerSelection::troubleText(LinkTrouble::none), QString());
    }

    void choiceDialog_data() {
        QTest::addColumn<int>("preselect");
        QTest::addColumn<int>("click");
        QTest::addColumn<int>("chosen");

        QTest::newRow("the preselected first entry") << 0 << -1 << 0;
        QTest::newRow("the preselected internal timer") << 2 << -1 << 2;
        QTest::newRow("another button clears the preselected one") << 0 << 1 << 1;
    }

    void choiceDialog() {
        QFETCH(int, preselect);
        QFETCH(int, click);
        QFETCH(int, chosen);

        QWidget window;
        window.show();
        QStringList titles;
        for (const TimerChoice& choice : choices({stage}, {app}))
            titles.append(choiceTitle(choice));
        TimerChoiceDialog sheet(titles, preselect, &window);
        QCOMPARE(sheet.windowModality(), Qt::WindowModal);
        QCOMPARE(sheet.radioButtons().size(), 3);
        QCOMPARE(sheet.checkedIndex(), std::optional<int>(preselect));
        sheet.open();
        if (click >= 0)
            sheet.radioButtons().at(click)->click();
        int onCount = 0;
        for (QRadioButton* radio : sheet.radioButtons())
            onCount += radio->isChecked();
        QCOMPARE(onCount, 1);

        QSignalSpy spy(&sheet, &TimerChoiceDialog::chosen);
        sheet.showButton()->click();
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.first().first().toInt(), chosen);
        QVERIFY(!sheet.isVisible());
    }
};

ORVL_TEST_MAIN(TimerSelectionTest)
#include "tst_timerselection.moc"
