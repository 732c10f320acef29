// The program's menu bar, built once with every command in the Linux order (File, View,
// Presentation, timers, Help); the recent files and the external timer menu are filled each
// time they open.
#pragma once

#include <QMenuBar>
#include <QStringList>
#include <QUrl>
#include <functional>

class QMenu;

// What the menus ask of the application controller. A command left empty does nothing.
struct MenuCommands {
    std::function<void()> showAbout;
    std::function<void()> showShortcuts;
    // Quits, asking first while a talk runs.
    std::function<void()> quit;
    std::function<void()> openDocument;
    std::function<void(const QUrl& file)> openRecent;
    std::function<void()> togglePresentation;
    std::function<void()> startFromBeginning;
    std::function<void()> nextSlide;
    std::function<void()> previousSlide;
    std::function<void()> firstSlide;
    std::function<void()> lastSlide;
    std::function<void()> toggleBlack;
    std::function<void()> toggleWhite;
    std::function<void()> toggleTimerPause;
    std::function<void()> resetTimer;
    // Opens "Vortragsdauer …", the talk's length or end time.
    std::function<void()> setTalkPlan;
    std::function<void(QMenu* menu)> fillOntimeMenu;
    std::function<void(int columns)> setThumbColumns;
    std::function<void()> resetLayout;
    // "none", "left", "right", "top", "bottom" or "auto": where the pages hold notes.
    std::function<void(const QString& choice)> setNotesSide;
    // Steps the notes' font size: +1 larger, -1 smaller.
    std::function<void(int steps)> changeNotesSize;
    // A modal question; answers the index of the chosen button, 0 being the default one.
    std::function<int(const QString& message, const QStringList& buttons)> ask;
    // Starts a fresh instance of the program and ends this one.
    std::function<void()> relaunch;
};

class MenuBar : public QMenuBar {
    Q_OBJECT
public:
    static inline const QString applicationName = QStringLiteral("Talvane Orvello");
    // The preference the notes-side items set; absent means "auto".
    static inline const QString notesSideKey = QStringLiteral("notesSide");

    explicit MenuBar(MenuCommands commands, QWidget* parent = nullptr);

    QMenu* recentMenu() const { return recent; }
    QMenu* ontimeMenu() const { return ontime; }
    QMenu* languageMenu() const { return language; }

    // Refills "Zuletzt geöffnet" from the recent files that exist now.
    void fillRecentMenu();
    // Stores another language for the next start and offers to restart now.
    void chooseLanguage(const QString& code);

    // Starts the program's own executable again, detached, with these arguments, and quits this
    // instance; a failure to start is not reported, the quit happens all the same.
    static void relaunchExecutable(const QStringList& arguments);

private:
    QAction* addCommand(QMenu* menu, const QString& title, const std::function<void()>& command,
                        const QKeySequence& shortcut = {});
    void buildFileMenu();
    void buildViewMenu();
    void buildPresentationMenu();
    void buildHelpMenu();
    void markCurrentLanguage();

    MenuCommands commands;
    QMenu* recent = nullptr;
    QMenu* ontime = nullptr;
    QMenu* language = nullptr;
};
