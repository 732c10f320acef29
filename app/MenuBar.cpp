#include "app/MenuBar.h"

#include "base/L10n.h"
#include "base/Preferences.h"
#include "base/RecentFiles.h"

#include <QActionGroup>
#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QProcess>

namespace {

const QString languageKey = QStringLiteral("appLanguage");

} // namespace

MenuBar::MenuBar(MenuCommands menuCommands, QWidget* parent)
    : QMenuBar(parent), commands(std::move(menuCommands)) {
    buildFileMenu();
    buildViewMenu();
    buildPresentationMenu();
    ontime = addMenu(QStringLiteral("Ontime / Stagetimer"));
    if (commands.fillOntimeMenu)
        commands.fillOntimeMenu(ontime);
    connect(ontime, &QMenu::aboutToShow, this, [this] {
        if (commands.fillOntimeMenu)
            commands.fillOntimeMenu(ontime);
    });
    buildHelpMenu();
}

QAction* MenuBar::addCommand(QMenu* menu, const QString& title,
                             const std::function<void()>& command, const QKeySequence& shortcut) {
    QAction* action = menu->addAction(title);
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        // The commands work from every window of the program, as a menu bar's would.
        action->setShortcutContext(Qt::ApplicationShortcut);
    }
    connect(action, &QAction::triggered, this, [command] {
        if (command)
            command();
    });
    return action;
}

void MenuBar::buildFileMenu() {
    QMenu* menu = addMenu(L10n::lookup("Datei"));
    addCommand(menu, L10n::lookup("Öffnen …"), commands.openDocument,
               QKeySequence(Qt::CTRL | Qt::Key_O));
    recent = menu->addMenu(L10n::lookup("Zuletzt geöffnet"));
    recent->setToolTipsVisible(true);
    connect(recent, &QMenu::aboutToShow, this, &MenuBar::fillRecentMenu);
    fillRecentMenu();
    menu->addSeparator();
    addCommand(
        menu, L10n::lookup("Fenster schließen"),
        [] {
            if (QWidget* window = QApplication::activeWindow())
                window->close();
        },
        QKeySequence(Qt::CTRL | Qt::Key_W));
    addCommand(menu, L10n::lookup("Beenden"), commands.quit, QKeySequence(Qt::CTRL | Qt::Key_Q));
}

void MenuBar::buildPresentationMenu() {
    QMenu* menu = addMenu(L10n::lookup("Präsentation"));
    addCommand(menu, L10n::lookup("Präsentation starten / beenden   (Umschalt+F5, Esc)"),
               commands.togglePresentation, QKeySequence(Qt::CTRL | Qt::Key_Return));
    addCommand(menu, L10n::lookup("Von Anfang an starten   (F5)"), commands.startFromBeginning,
               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Return));
    menu->addSeparator();
    addCommand(menu, L10n::lookup("Nächste Folie   (→, ↓, Leertaste, Bild↓)"), commands.nextSlide);
    addCommand(menu, L10n::lookup("Vorherige Folie   (←, ↑, Rücktaste, Bild↑)"),
               commands.previousSlide);
    addCommand(menu, L10n::lookup("Erste Folie   (Pos1)"), commands.firstSlide);
    addCommand(menu, L10n::lookup("Letzte Folie   (Ende)"), commands.lastSlide);
    menu->addSeparator();
    addCommand(menu, L10n::lookup("Schwarzbild   (B oder .)"), commands.toggleBlack);
    addCommand(menu, L10n::lookup("Weißbild   (W oder ,)"), commands.toggleWhite);
    menu->addSeparator();
    addCommand(menu, L10n::lookup("Timer anhalten / fortsetzen"), commands.toggleTimerPause);
    addCommand(menu, L10n::lookup("Timer zurücksetzen"), commands.resetTimer);
    addCommand(menu, L10n::lookup("Vortragsdauer …"), commands.setTalkPlan);
}

void MenuBar::buildViewMenu() {
    QMenu* menu = addMenu(L10n::lookup("Ansicht"));
    const Qt::Key digitKeys[] = {Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_4};
    for (int count = 1; count <= 4; ++count) {
        const QString title = count == 1 ? L10n::lookup("Folienleiste: 1 Spalte")
                                         : L10n::format("Folienleiste: %d Spalten", {count});
        QAction* action = addCommand(
            menu, title,
            [this, count] {
                if (commands.setThumbColumns)
                    commands.setThumbColumns(count);
            },
            QKeySequence(Qt::CTRL | digitKeys[count - 1]));
        action->setData(count);
    }
    menu->addSeparator();
    addCommand(menu, L10n::lookup("Layout zurücksetzen"), commands.resetLayout,
               QKeySequence(Qt::CTRL | Qt::Key_0));
    menu->addSeparator();
    const auto notesSize = [this](int steps) {
        return [this, steps] {
            if (commands.changeNotesSize)
                commands.changeNotesSize(steps);
        };
    };
    // Notes pages: the speaker overrides the guess from the pages' shape.
    auto* sides = new QActionGroup(menu);
    const std::pair<const char*, const char*> choices[] = {
        {"none", ORVL_TEXT("Notizen: keine")},   {"left", ORVL_TEXT("Notizen: links")},
        {"right", ORVL_TEXT("Notizen: rechts")}, {"top", ORVL_TEXT("Notizen: oben")},
        {"bottom", ORVL_TEXT("Notizen: unten")}, {"auto", ORVL_TEXT("Notizen: automatisch")}};
    for (const auto& [choice, title] : choices) {
        const QString value = QString::fromLatin1(choice);
        QAction* action = addCommand(menu, L10n::lookup(title), [this, value] {
            if (commands.setNotesSide)
                commands.setNotesSide(value);
        });
        action->setCheckable(true);
        action->setData(value);
        sides->addAction(action);
    }
    const auto markSide = [sides] {
        const QString chosen = Preferences::text(notesSideKey, QStringLiteral("auto"));
        for (QAction* action : sides->actions())
            action->setChecked(action->data().toString() == chosen);
    };
    markSide();
    connect(menu, &QMenu::aboutToShow, this, markSide);
    menu->addSeparator();
    // Ctrl+= too: on many keyboards the plus sign needs Shift.
    addCommand(menu, L10n::lookup("Notizen größer"), notesSize(+1),
               QKeySequence(Qt::CTRL | Qt::Key_Plus))
        ->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Plus),
                        QKeySequence(Qt::CTRL | Qt::Key_Equal),
                        QKeySequence(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier,
                                                     Qt::Key_Plus))});
    addCommand(menu, L10n::lookup("Notizen kleiner"), notesSize(-1),
               QKeySequence(Qt::CTRL | Qt::Key_Minus))
        ->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Minus),
                        QKeySequence(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier,
                                                     Qt::Key_Minus))});
    menu->addSeparator();
    language = menu->addMenu(L10n::lookup("Sprache"));
    for (const QString& code : L10n::languages()) {
        const QString name = L10n::displayName(code);
        QAction* action = language->addAction(name.isEmpty() ? code : name);
        action->setData(code);
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, code] { chooseLanguage(code); });
    }
    markCurrentLanguage();
}

void MenuBar::buildHelpMenu() {
    QMenu* menu = addMenu(L10n::lookup("Hilfe"));
    QAction* keys = addCommand(menu, L10n::lookup("Tastenkürzel"), commands.showShortcuts,
                               QKeySequence(Qt::Key_F1));
    keys->setShortcuts({QKeySequence(Qt::Key_F1), QKeySequence(QStringLiteral("?"))});
    menu->addSeparator();
    addCommand(menu, L10n::format("Über %@", {applicationName}), commands.showAbout);
}

void MenuBar::fillRecentMenu() {
    recent->clear();
    const QList<QUrl> files = RecentFiles::all();
    for (const QUrl& file : files) {
        QAction* action = recent->addAction(QFileInfo(file.toLocalFile()).fileName());
        action->setData(file);
        action->setToolTip(file.toLocalFile());
        connect(action, &QAction::triggered, this, [this, file] {
            if (file.isLocalFile() && commands.openRecent)
                commands.openRecent(file);
        });
    }
    if (files.isEmpty())
        recent->addAction(L10n::lookup("Keine Einträge"))->setEnabled(false);
    recent->addSeparator();
    QAction* clear = recent->addAction(L10n::lookup("Liste löschen"));
    clear->setEnabled(!files.isEmpty());
    connect(clear, &QAction::triggered, this, &RecentFiles::clear);
}

void MenuBar::markCurrentLanguage() {
    for (QAction* action : language->actions())
        action->setChecked(action->data().toString() == L10n::current());
}

void MenuBar::chooseLanguage(const QString& code) {
    // A checkable item ticks itself when chosen; the mark stays on the language in use.
    markCurrentLanguage();
    if (code.isEmpty() || code == L10n::current())
        return;
    Preferences::setValue(languageKey, code);
    if (!commands.ask)
        return;
    const int answer =
        commands.ask(L10n::lookup("Die Sprache wird nach einem Neustart der App gewechselt."),
                     {L10n::lookup("Jetzt neu starten"), L10n::lookup("Später")});
    if (answer == 0 && commands.relaunch)
        commands.relaunch();
}

void MenuBar::relaunchExecutable(const QStringList& arguments) {
    QProcess::startDetached(QCoreApplication::applicationFilePath(), arguments);
    QCoreApplication::quit();
}
