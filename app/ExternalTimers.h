// The external stage timers: the Ontime and Stagetimer links (one connected at a time), what a
// search offers (held during a talk), the "Ontime / Stagetimer" menu, the setup windows and what
// the console's timer block shows.
#pragma once

#include "app/TimerSelection.h"
#include "ontime/OntimeModel.h"
#include "stagetimer/StagetimerModel.h"

#include <QObject>
#include <QPointer>
#include <memory>

class OntimeSetupWindow;
class Prompts;
class QMenu;
class StagetimerSetupWindow;
class TimerChoiceDialog;

class ExternalTimers : public QObject {
    Q_OBJECT
public:
    explicit ExternalTimers(Prompts& prompts, QObject* parent = nullptr);
    ~ExternalTimers() override;

    // The console: the choice dialog belongs to it.
    void setConsole(QWidget* console) { this->console = console; }
    // Connects or searches as the stored settings say.
    void start();

    // The talk started: an open choice is set aside ("not now") and new ones are held; it ended:
    // a held one is offered.
    void setPresenting(bool presenting);

    // The commands of the menu.
    void search();
    void showOntimeSetup();
    void showStagetimerSetup();
    void use(const TimerChoice& choice);
    void disconnectAll();
    // Refills the menu from the links' state; the offer held during a talk heads it.
    void fillMenu(QMenu* menu);

    enum class Block { none, ontime, stagetimer };
    // Which timer the console shows in place of the talk timer, and what; none for the talk
    // timer.
    Block shownBlock() const;
    TimerBlockContent blockContent() const;
    // The status line's note while an offer is held; empty otherwise.
    QString note() const;

    const OntimeModel& ontime() const { return ontimeLink; }
    const StagetimerModel& stagetimer() const { return stagetimerLink; }
    // The open choice, if any.
    TimerChoiceDialog* choiceDialog() const;
    // The setup window in front, else one that is shown; null for none.
    QWidget* visibleSetupWindow() const;
    bool isOntimeSetup(const QWidget* window) const;
    // The Ontime (else the Stagetimer) setup window, once it has been opened.
    QWidget* setupWindow(bool ontime) const;

signals:
    // A choice found during the talk is held, with this many timers.
    void offerHeld(int choices);
    // The choice dialog opened with these titles, this one selected.
    void choiceOffered(const QStringList& titles, int selected);
    // What note() says changed.
    void noteChanged();

private:
    void choose(const QList<OntimeServer>& ontimes, const QList<StagetimerDesktop>& apps);
    // Opens the choice dialog; during a talk only when `asked`, else the offer is held.
    void offer(const QList<TimerChoice>& offered, bool asked = false);
    void setChoiceAside();
    void offerTheHeldChoice();
    // A dialog is already open over the console.
    bool consoleShowsDialog() const;

    Prompts& prompts;
    OntimeModel ontimeLink;
    StagetimerModel stagetimerLink;
    // Created on first use, then kept; declared after the models they show, so they go first.
    std::unique_ptr<StagetimerSetupWindow> stagetimerSetup;
    std::unique_ptr<OntimeSetupWindow> ontimeSetup;
    QPointer<QWidget> console;
    QPointer<TimerChoiceDialog> dialog;
    QList<TimerChoice> offered;
    // Timers found during a talk, offered once it ends.
    QList<TimerChoice> held;
    bool presenting = false;
};
