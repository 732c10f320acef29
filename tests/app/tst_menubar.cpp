// The menu bar: every menu and item in order with its shortcut, the menus filled on opening, the
// column and language commands.
#include "app/MenuBar.h"
#include "base/RecentFiles.h"
#include "support/TestSupport.h"

#include <QMainWindow>
#include <QMenu>

namespace {

// "----" for a separator, "title|shortcut" for an item, "title >" for a submenu.
QStringList describe(const QMenu* menu) {
    QStringList items;
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator())
            items.append(QStringLiteral("----"));
        else if (action->menu())
            items.append(action->text() + QStringLiteral(" >"));
        else if (action->shortcut().isEmpty())
            items.append(action->text());
        else
            items.append(action->text() + QLatin1Char('|') +
                         action->shortcut().toString(QKeySequence::PortableText));
    }
    return items;
}

QMenu* menuTitled(const QMenuBar& bar, const QString& title) {
    for (QAction* action : bar.actions()) {
        if (action->menu() && action->text() == title)
            return action->menu();
    }
    return nullptr;
}

QAction* itemTitled(const QMenu* menu, const QString& title) {
    for (QAction* action : menu->actions()) {
        if (action->text() == title)
            return action;
    }
    return nullptr;
}

// Opens the menu as a person would, so that it fills itself, and closes it again.
void openAndClose(QMenu* menu) {
    menu->popup(QPoint(10, 10));
    QTRY_VERIFY(menu->isVisible());
    menu->close();
}

QString touch(const QTemporaryDir& folder, const QString& name) {
    const QString path = folder.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    return path;
}

} // namespace

class TestMenuBar : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(TestSupport::useGerman()); }
    void init() {
        Preferences::clearForTests();
        Preferences::setValue(QStringLiteral("appLanguage"), QStringLiteral("de"));
    }

    void items_data() {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("application")
            << "Talvane Orvello"
            << QStringList{"Über Talvane Orvello", "----", "Talvane Orvello ausblenden|Ctrl+H",
                           "----", "Talvane Orvello beenden|Ctrl+Q"};
        QTest::newRow("file") << "Ablage"
                              << QStringList{"Öffnen …|Ctrl+O", "Zuletzt geöffnet >", "----",
                                             "Fenster schließen|Ctrl+W"};
        QTest::newRow("presentation") << "Präsentation"
                                      << QStringList{"Präsentation starten / beenden|Ctrl+Return",
                                                     "Von Anfang an starten|Ctrl+Shift+Return",
                                                     "----",
                                                     "Nächste Folie   (→, Leertaste, Bild↓)",
                                                     "Vorherige Folie   (←, Bild↑)",
                                                     "Erste Folie   (Pos1)",
                                                     "Letzte Folie   (Ende)",
                                                     "----",
                                                     "Schwarzbild   (B oder .)",
                                                     "Weißbild   (W oder ,)",
                                                     "----",
                                                     "Timer anhalten / fortsetzen",
                                                     "Timer zurücksetzen"};
        QTest::newRow("view") << "Darstellung"
                              << QStringList{"Folienleiste: 1 Spalte|Ctrl+1",
                                             "Folienleiste: 2 Spalten|Ctrl+2",
                                             "Folienleiste: 3 Spalten|Ctrl+3",
                                             "Folienleiste: 4 Spalten|Ctrl+4",
                                             "----",
                                             "Layout zurücksetzen|Ctrl+0",
                                             "----",
                                             "Sprache >"};
        QTest::newRow("window") << "Fenster" << QStringList{"Minimieren|Ctrl+M", "Zoomen"};
    }
    void items() {
        QFETCH(QString, menu);
        const MenuBar bar({});
        QStringList titles;
        for (const QAction* action : bar.actions())
            titles.append(action->text());
        QCOMPARE(titles, (QStringList{"Talvane Orvello", "Ablage", "Präsentation",
                                      "Ontime / Stagetimer", "Darstellung", "Fenster"}));
        const QMenu* shown = menuTitled(bar, menu);
        QVERIFY(shown);
        QTEST(describe(shown), "items");
    }

    void commandsReachTheController() {
        QStringList called;
        MenuCommands commands;
        commands.togglePresentation = [&] { called << "toggle"; };
        commands.startFromBeginning = [&] { called << "fromStart"; };
        commands.nextSlide = [&] { called << "next"; };
        commands.previousSlide = [&] { called << "previous"; };
        commands.firstSlide = [&] { called << "first"; };
        commands.lastSlide = [&] { called << "last"; };
        commands.toggleBlack = [&] { called << "black"; };
        commands.toggleWhite = [&] { called << "white"; };
        commands.toggleTimerPause = [&] { called << "pause"; };
        commands.resetTimer = [&] { called << "reset"; };
        commands.setThumbColumns = [&](int count) { called << QString::number(count); };
        commands.resetLayout = [&] { called << "layout"; };
        const MenuBar bar(commands);
        for (const char* menu : {"Präsentation", "Darstellung"}) {
            for (QAction* action : menuTitled(bar, menu)->actions()) {
                if (!action->menu())
                    action->trigger();
            }
        }
        QCOMPARE(called,
                 (QStringList{"toggle", "fromStart", "next", "previous", "first", "last", "black",
                              "white", "pause", "reset", "1", "2", "3", "4", "layout"}));
    }

    void recentMenuListsExistingFiles() {
        QTemporaryDir folder;
        const QString older = touch(folder, "older.pdf");
        const QString gone = touch(folder, "gone.pdf");
        const QString newer = touch(folder, "newer.pdf");
        for (const QString& path : {older, gone, newer})
            RecentFiles::add(QUrl::fromLocalFile(path));
        QFile::remove(gone);

        QList<QUrl> opened;
        MenuCommands commands;
        commands.openRecent = [&](const QUrl& url) { opened.append(url); };
        const MenuBar bar(commands);
        openAndClose(bar.recentMenu());
        QCOMPARE(describe(bar.recentMenu()),
                 (QStringList{"newer.pdf", "older.pdf", "----", "Liste löschen"}));
        QAction* first = bar.recentMenu()->actions().first();
        QCOMPARE(first->toolTip(), newer);
        QCOMPARE(first->data().toUrl(), QUrl::fromLocalFile(newer));
        first->trigger();
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(newer)});
        // The missing file stays stored.
        QCOMPARE(Preferences::value("recentFiles").toStringList().size(), 3);
    }

    void clearingTheListRemovesTheKey() {
        QTemporaryDir folder;
        RecentFiles::add(QUrl::fromLocalFile(touch(folder, "talk.pdf")));
        const MenuBar bar({});
        openAndClose(bar.recentMenu());
        QCOMPARE(bar.recentMenu()->actions().size(), 3);
        itemTitled(bar.recentMenu(), "Liste löschen")->trigger();
        QVERIFY(!Preferences::contains("recentFiles"));
        openAndClose(bar.recentMenu());
        QCOMPARE(describe(bar.recentMenu()),
                 (QStringList{"Keine Einträge", "----", "Liste löschen"}));
        QVERIFY(!bar.recentMenu()->actions().first()->isEnabled());
        QVERIFY(bar.recentMenu()->actions().last()->isEnabled());
    }

    void ontimeMenuFilledAtBuildAndOnEveryOpening() {
        int fills = 0;
        MenuCommands commands;
        commands.fillOntimeMenu = [&](QMenu* menu) {
            ++fills;
            menu->clear();
            menu->addAction(QStringLiteral("status %1").arg(fills))->setEnabled(false);
        };
        const MenuBar bar(commands);
        QCOMPARE(fills, 1);
        openAndClose(bar.ontimeMenu());
        openAndClose(bar.ontimeMenu());
        QCOMPARE(fills, 3);
        QCOMPARE(describe(bar.ontimeMenu()), QStringList{"status 3"});
    }

    void chooseLanguage_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("questions");
        QTest::addColumn<int>("relaunches");
        QTest::newRow("the current language: nothing stored, no question")
            << "Deutsch" << 0 << QString() << 0 << 0;
        QTest::newRow("English, later") << "English" << 1 << "en" << 1 << 0;
        QTest::newRow("French, restart now") << "Français" << 0 << "fr" << 1 << 1;
    }
    void chooseLanguage() {
        QFETCH(QString, language);
        QFETCH(int, answer);
        Preferences::remove(QStringLiteral("appLanguage"));
        int asked = 0;
        int relaunched = 0;
        QStringList buttons;
        QString message;
        MenuCommands commands;
        commands.ask = [&](const QString& text, const QStringList& choices) {
            ++asked;
            message = text;
            buttons = choices;
            return answer;
        };
        commands.relaunch = [&] { ++relaunched; };
        const MenuBar bar(commands);
        itemTitled(bar.languageMenu(), language)->trigger();
        QTEST(Preferences::text(QStringLiteral("appLanguage")), "stored");
        QTEST(asked, "questions");
        QTEST(relaunched, "relaunches");
        if (asked) {
            QCOMPARE(message,
                     QStringLiteral("Die Sprache wird nach einem Neustart der App gewechselt."));
            QCOMPARE(buttons, (QStringList{"Jetzt neu starten", "Später"}));
        }
        // The check mark stays on the language in use until the restart.
        QVERIFY(itemTitled(bar.languageMenu(), "Deutsch")->isChecked());
        QVERIFY(!itemTitled(bar.languageMenu(), "English")->isChecked());
        QVERIFY(!itemTitled(bar.languageMenu(), "Français")->isChecked());
    }

    void windowMenuListsTheOpenWindows() {
        QWidget first;
        first.setWindowTitle(QStringLiteral("Vortrag"));
        first.show();
        QWidget second;
        second.setWindowTitle(QStringLiteral("Publikum (Testfenster)"));
        second.show();
        second.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&second));
        const MenuBar bar({});
        openAndClose(bar.windowMenu());
        const QStringList items = describe(bar.windowMenu());
        QVERIFY2(items.contains("Vortrag") && items.contains("Publikum (Testfenster)"),
                 qPrintable(items.join(", ")));
        QVERIFY(itemTitled(bar.windowMenu(), "Publikum (Testfenster)")->isChecked());
        itemTitled(bar.windowMenu(), "Vortrag")->trigger();
        QVERIFY(QTest::qWaitForWindowActive(&first));
        // Opening again lists each window once.
        openAndClose(bar.windowMenu());
        QCOMPARE(describe(bar.windowMenu()).count("Vortrag"), 1);
    }
};

ORVL_TEST_MAIN(TestMenuBar)
#include "tst_menubar.moc"
