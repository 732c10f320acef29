// The menu bar: the menus in order and their shortcuts, the actions its items are, the recent
// files filled on opening and the language choice.
#include "app/Actions.h"
#include "app/MenuBar.h"
#include "base/RecentFiles.h"
#include "support/TestSupport.h"

#include <QActionGroup>
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
        const Actions actions;
        const MenuBar bar(actions);
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
        QCOMPARE(titles, (QStringList{"Datei", "Ansicht", "Präsentation", "Werkzeuge",
                                      "Ontime / Stagetimer", "Hilfe"}));
        QCOMPARE(shortcuts,
                 (QStringList{"Öffnen …|Ctrl+O", "Fenster schließen|Ctrl+W", "Beenden|Ctrl+Q",
                              "Folienleiste: 1 Spalte|Ctrl+1", "Folienleiste: 2 Spalten|Ctrl+2",
                              "Folienleiste: 3 Spalten|Ctrl+3", "Folienleiste: 4 Spalten|Ctrl+4",
                              "Layout zurücksetzen|Ctrl+0", "Notizen größer|Ctrl++",
                              "Notizen kleiner|Ctrl+-",
                              "Präsentation starten / beenden   (Umschalt+F5, Esc)|Ctrl+Return",
                              "Von Anfang an starten   (F5)|Ctrl+Shift+Return",
                              "Strich rückgängig   (U)|Ctrl+Z", "Tastenkürzel|F1"}));
        QCOMPARE(menuTitled(bar, "Hilfe")->actions().first()->shortcuts().value(1),
                 QKeySequence(QStringLiteral("?")));
    }

    // Every item of the menus (but the lists of files and languages) is one of the program's
    // actions.
    void itemsAreTheActions() {
        Actions actions;
        const MenuBar bar(actions);
        QStringList called;
        using Id = Actions::Id;
        const std::pair<Id, const char*> names[] = {{Id::quit, "quit"},
                                                    {Id::togglePresentation, "toggle"},
                                                    {Id::startFromBeginning, "fromStart"},
                                                    {Id::rehearse, "rehearse"},
                                                    {Id::skipSlides, "skip"},
                                                    {Id::timings, "timings"},
                                                    {Id::remote, "remote"},
                                                    {Id::next, "next"},
                                                    {Id::previous, "previous"},
                                                    {Id::first, "first"},
                                                    {Id::last, "last"},
                                                    {Id::linkBack, "back"},
                                                    {Id::overview, "overview"},
                                                    {Id::transitions, "transitions"},
                                                    {Id::toggleBlack, "black"},
                                                    {Id::toggleWhite, "white"},
                                                    {Id::toggleTimerPause, "pause"},
                                                    {Id::resetTimer, "reset"},
                                                    {Id::talkPlan, "plan"},
                                                    {Id::thumbnailColumns1, "1"},
                                                    {Id::thumbnailColumns2, "2"},
                                                    {Id::thumbnailColumns3, "3"},
                                                    {Id::thumbnailColumns4, "4"},
                                                    {Id::resetLayout, "layout"},
                                                    {Id::notesLarger, "+1"},
                                                    {Id::notesSmaller, "-1"},
                                                    {Id::shortcuts, "keys"},
                                                    {Id::about, "about"}};
        for (const auto& [id, name] : names)
            connect(actions[id], &QAction::triggered, this,
                    [&called, name = QString::fromLatin1(name)] { called << name; });
        connect(actions.notesSides(), &QActionGroup::triggered, this,
                [&called](QAction* side) { called << side->data().toString(); });
        actions.setDeckOpen(true);
        itemTitled(menuTitled(bar, "Datei"), "Beenden")->trigger();
        for (const char* menu : {"Präsentation", "Ansicht", "Hilfe"}) {
            for (QAction* action : menuTitled(bar, menu)->actions()) {
                if (!action->menu())
                    action->trigger();
            }
        }
        QCOMPARE(called, (QStringList{"quit",     "toggle", "fromStart", "rehearse",    "next",
                                      "previous", "first",  "last",      "back",        "black",
                                      "white",    "skip",   "pause",     "reset",       "plan",
                                      "timings",  "remote", "overview",  "transitions", "1",
                                      "2",        "3",      "4",         "layout",      "none",
                                      "left",     "right",  "top",       "bottom",      "auto",
                                      "+1",       "-1",     "keys",      "about"}));
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
        const Actions actions;
        const MenuBar bar(actions);
        connect(&bar, &MenuBar::recentChosen, this, [&](const QUrl& url) { opened.append(url); });
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

    // Another language is stored for the next start and said; the current one changes nothing.
    void chooseLanguage_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("said");
        QTest::newRow("the current language") << "Deutsch" << QString() << QStringList();
        QTest::newRow("English") << "English"
                                 << "en" << QStringList{"en"};
        QTest::newRow("French") << "Français"
                                << "fr" << QStringList{"fr"};
    }
    void chooseLanguage() {
        QFETCH(QString, language);
        Preferences::remove(QStringLiteral("appLanguage"));
        const Actions actions;
        const MenuBar bar(actions);
        QStringList said;
        connect(&bar, &MenuBar::languageChosen, this, [&](const QString& code) { said << code; });
        itemTitled(bar.languageMenu(), language)->trigger();
        QTEST(Preferences::text(QStringLiteral("appLanguage")), "stored");
        QTEST(said, "said");
        // The check mark stays on the language in use until the restart.
        QVERIFY(itemTitled(bar.languageMenu(), "Deutsch")->isChecked());
        QVERIFY(!itemTitled(bar.languageMenu(), "English")->isChecked());
        QVERIFY(!itemTitled(bar.languageMenu(), "Français")->isChecked());
    }
};

ORVL_TEST_MAIN(TestMenuBar)
#include "tst_menubar.moc"
