// The program's menu bar in the Linux order (File, View, Presentation, timers, Help), showing the
// program's actions; the recent files and the external timer menu are filled each time they open.
#pragma once

#include <QMenuBar>
#include <QStringList>
#include <QUrl>

class Actions;
class QMenu;

class MenuBar : public QMenuBar {
    Q_OBJECT
public:
    explicit MenuBar(const Actions& actions, QWidget* parent = nullptr);

    QMenu* recentMenu() const { return recent; }
    // Filled by the external timers whenever it opens.
    QMenu* ontimeMenu() const { return ontime; }
    QMenu* languageMenu() const { return language; }

    // Refills "Zuletzt geöffnet" from the recent files that exist now.
    void fillRecentMenu();
    // Stores another language for the next start and says so.
    void chooseLanguage(const QString& code);

    // Starts the program's own executable again, detached, with these arguments, and quits this
    // instance; a failure to start is not reported, the quit happens all the same.
    static void relaunchExecutable(const QStringList& arguments);

signals:
    void recentChosen(const QUrl& file);
    // Another language is stored; it takes effect at the next start.
    void languageChosen(const QString& code);

private:
    void markCurrentLanguage();

    QMenu* recent = nullptr;
    QMenu* ontime = nullptr;
    QMenu* language = nullptr;
};
