// The menu bar: the menus in order and their shortcuts, the commands the items run, the menus
// filled on opening and the language choice.
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

    // The menus in order, and every item that has a shortcut with it.
    void menusAndShortcuts() {
        const MenuBar bar({});
        QStringList titles;
        QStringList shortcuts;
        for (const QAction* menu : bar.actions()) {
            titles.append(menu->text());
            for (const QAction* action : menu->menu()->actions()) {
                if (!action->shortcut().isEmpty())
                    shortcuts.append(action->text() + QLatin1Char('|') +
                                     action->shortcut().toString(QKeySequence::PortableText));
            }
        }
        // Linux order; nothing that hides, minimises or zooms a window mid-talk.
        QCOMPARE(titles,
                 (QStringList{"Datei", "Ansicht", "Präsentation", "Ontime / Stagetimer", "Hilfe"}));
        QCOMPARE(
            shortcuts,
            (QStringList{"Öffnen …|Ctrl+O", "Fenster schließen|Ctrl+W", "Beenden|Ctrl+Q",
                         "Folienleiste: 1 Spalte|Ctrl+1", "Folienleiste: 2 Spalten|Ctrl+2",
                         "Folienleiste: 3 Spalten|Ctrl+3", "Folienleiste: 4 Spalten|Ctrl+4",
                         "Layout zurücksetzen|Ctrl+0", "Notizen größer|Ctrl++",
                         "Notizen kleiner|Ctrl+-",
                         "Präsentation starten / beenden   (Umschalt+F5, Esc)|Ctrl+Return",
                         "Von Anfang an starten   (F5)|Ctrl+Shift+Return", "Tastenkürzel|F1"}));
        QCOMPARE(menuTitled(bar, "Hilfe")->actions().first()->shortcuts().value(1),
                 QKeySequence(QStringLiteral("?")));
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
        commands.setTalkPlan = [&] { called << "plan"; };
        commands.setThumbColumns = [&](int count) { called << QString::number(count); };
        commands.resetLayout = [&] { called << "layout"; };
        commands.setNotesSide = [&](const QString& side) { called << side; };
        commands.changeNotesSize = [&](int steps) { called << QString::asprintf("%+d", steps); };
        commands.quit = [&] { called << "quit"; };
        commands.showShortcuts = [&] { called << "keys"; };
        const MenuBar bar(commands);
        itemTitled(menuTitled(bar, "Datei"), "Beenden")->trigger();
        for (const char* menu : {"Präsentation", "Ansicht", "Hilfe"}) {
            for (QAction* action : menuTitled(bar, menu)->actions()) {
                if (!action->menu())
                    action->trigger();
            }
        }
        QCOMPARE(called,
                 (QStringList{"quit",   "toggle", "fromStart", "next",  "previous", "first", "last",
                              "black",  "white",  "pause",     "reset", "plan",     "1",     "2",
                              "3",      "4",      "layout",    "none",  "left",     "right", "top",
                              "bottom", "auto",   "+1",        "-1",    "keys"}));
    }

    // Existing files newest first (missing ones stay stored, see RecentFiles); clearing the list
    // removes the key and leaves a disabled "Keine Einträge".
    void recentMenu() {
        QTemporaryDir folder;
        const QString older = touch(folder, "older.pdf");
        const QString newer = touch(folder, "newer.pdf");
        RecentFiles::add(QUrl::fromLocalFile(older));
        RecentFiles::add(QUrl::fromLocalFile(newer));
        QList<QUrl> opened;
        MenuCommands commands;
        commands.openRecent = [&](const QUrl& url) { opened.append(url); };
        const MenuBar bar(commands);
        openAndClose(bar.recentMenu());
        QCOMPARE(describe(bar.recentMenu()),
                 (QStringList{"newer.pdf", "older.pdf", "----", "Liste löschen"}));
        QAction* first = bar.recentMenu()->actions().first();
        QCOMPARE(first->toolTip(), newer);
        first->trigger();
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(newer)});

        itemTitled(bar.recentMenu(), "Liste löschen")->trigger();
        QVERIFY(!Preferences::contains("recentFiles"));
        openAndClose(bar.recentMenu());
        QCOMPARE(describe(bar.recentMenu()),
                 (QStringList{"Keine Einträge", "----", "Liste löschen"}));
        // Nothing to clear: both disabled.
        QVERIFY(!bar.recentMenu()->actions().first()->isEnabled());
        QVERIFY(!bar.recentMenu()->actions().last()->isEnabled());
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
};

ORVL_TEST_MAIN(TestMenuBar)
#include "tst_menubar.moc"
