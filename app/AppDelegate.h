// The application controller: owns the deck and every window, answers every command.
#pragma once

#include "app/DisplaySleepInhibitor.h"
#include "app/TimerSelection.h"
#include "document/Presentation.h"
#include "net/Clock.h"
#include "notes/DeckNotes.h"
#include "ontime/OntimeModel.h"
#include "pacing/TalkPace.h"
#include "pacing/TalkTimer.h"
#include "stagetimer/StagetimerModel.h"

#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

class AudienceWindow;
class ReloadWatcher;
class SidecarWatcher;
class Automation;
class KeyMonitor;
class MenuBar;
class OntimeSetupWindowController;
class PaceDialog;
class PresenterView;
class PresenterWindowController;
class ShortcutOverlay;
class StagetimerSetupWindowController;
class QMenu;
class QScreen;
class QTimer;
class QWidget;
class QWindow;

namespace OutputScreens {
class ChangeNotifier;
}

class AppDelegate : public QObject {
    Q_OBJECT
public:
    AppDelegate();
    ~AppDelegate() override;

    // Start-up, once the event loop runs.
    void applicationDidFinishLaunching();
    // Files handed over by the system or the command line; the first PDF wins.
    void applicationOpen(const QList<QUrl>& urls);
    // From the command line: the slide to open the handed-over deck at (from 1), and whether to
    // start presenting at once.
    void setLaunchRequest(bool present, std::optional<qint64> page);
    // From the command line: the talk plan for every deck of this run, over the stored ones.
    void setCommandLinePlan(const PaceTarget& plan) { commandLinePlan = plan; }
    // Brings the console to the front, for a later launch of the program.
    void raiseConsole();

    // Starts opening `url` and returns at once; a load still pending is dropped. Once the deck is
    // there the talk ends and the console shows it from its first slide; a locked file asks for
    // its password and is tried again; a file that does not open is reported and the old deck
    // stays, its talk going on. `opened` hears the outcome (never for a dropped load).
    void open(const QUrl& url, std::function<void(bool opened)> opened = {});
    // Runs `then` once no deck is loading: at once when none is.
    void whenLoaded(std::function<void()> then);
    void openDocument();
    void refresh();
    void startPresentation();
    void stopPresentation();
    void togglePresentation();
    void startFromBeginning();

    void nextSlide();
    void previousSlide();
    void firstSlide();
    void lastSlide();
    void goToSlide(qint64 index);
    void toggleBlack();
    void toggleWhite();

    void toggleTimerPause();
    void resetTimer();

    // Talk pacing: "Vortragsdauer …" (never holding the console during a talk), and the plan
    // it sets for the open deck, stored with the recent files.
    void showPaceDialog();
    void setTalkPlan(const PaceTarget& plan);
    PaceDialog* paceDialog() const;

    // External timers: the commands of the "Ontime / Stagetimer" menu and the choice dialog.
    void searchTimers();
    void showOntimeSetup();
    void showStagetimerSetup();
    void connectFoundOntime(const OntimeServer& server);
    void connectFoundStagetimer(const StagetimerDesktop& app);
    void disconnectTimers();
    void use(const TimerChoice& choice);
    // Closes the open timer choice as "not now": it is offered again after the talk.
    void setTimerChoiceAside();
    // Quits, after asking while a talk is running.
    void quitAsked();
    // False when the speaker keeps a running talk; asks only while presenting.
    bool mayQuit();

    Presentation& deck() { return presentation; }
    const DeckNotes& deckNotes() const { return notes; }
    const QString& currentJumpBuffer() const { return jumpBuffer; }

    // A modal alert with one default button; printed and answered at once under automation.
    void showAlert(const QString& message, const QString& informative);
    // Why a deck did not open, in words for the speaker.
    static QString openFailure(OpenStatus status, const QString& name);
    // The password of an encrypted deck, masked and never stored; absent when cancelled. Under
    // automation the "automationPassword" preference answers the first prompt.
    std::optional<QString> askPassword(const QString& name, bool again);
    // A failure the speaker must see: on standard error and as an alert (after start-up, when
    // it happens before).
    void reportProblem(const QString& message, const QString& informative);

    // For the automation steps.
    QJsonObject stateSnapshot() const;
    // The current slide's notes: their first source (null for none) and their plain text.
    QJsonObject notesSnapshot() const;
    // Which of the two windows has the keyboard, null for neither.
    QJsonValue focusName() const;
    QWidget* windowForAutomation(const QString& which) const;
    // A click on the audience window: +1 for the left button, -1 for the right one.
    void audienceClicked(int step);
    PresenterView* presenterView() const;
    MenuBar* menus() const;
    // The output-screen chooser's item `index` was chosen.
    void screenChosen(int index);
    // The screens, the chooser's items, its selection and caption.
    QJsonObject screensSnapshot() const;
    // The open timer choice sheet, if any.
    TimerChoiceSheet* timerChoiceSheet() const;
    // The setup window on screen, if any.
    QWidget* visibleSetupWindow() const;
    static QUrl urlFromArgument(const QString& argument);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenuBar();
    void fillOntimeMenu(QMenu* menu);
    // Wires the two links' callbacks and connects or searches as the stored settings say.
    void startTimers();
    void chooseTimer(const QList<OntimeServer>& ontimes, const QList<StagetimerDesktop>& apps);
    // Opens the choice sheet; during a talk only when `asked`, else the offer is held.
    void offerTimers(const QList<TimerChoice>& offered, bool asked = false);
    // After a talk: the held offer, unless a timer has been chosen meanwhile.
    void offerHeldTimers();
    // Feeds both timer blocks; a block that appears or disappears changes the layout.
    void updateOntime(PresenterView* view);
    // A sheet is already open on the presenter window.
    bool showsSheet() const;
    // A one-button alert as a sheet on the presenter window; printed under automation.
    void showSheetAlert(const QString& message, const QString& informative);
    QJsonObject timersSnapshot() const;
    // Takes a plan for the open deck; the next refresh shows it.
    // The command line's plan, else the one the speaker stored for the deck, else its sidecar's.
    PaceTarget deckPlan() const;
    void applyPlan(const PaceTarget& plan);
    // The countdown and pace now; absent without a plan.
    std::optional<TalkPace::Reading> paceReading() const;
    QJsonValue paceSnapshot() const;
    void rebuildScreenPopup();
    void subscribeToScreenChanges();
    void screensChanged();
    void screenRemoved(QScreen* screen);
    void focusWindowChanged(QWindow* window);
    // What the status line says beside the deck's own state: a reload that failed, a missing
    // output.
    QString notice() const;
    // The screen the audience window belongs on, and whether as the test window.
    std::pair<QScreen*, bool> outputScreen() const;
    void placeAudienceWindow(QScreen* screen, bool windowed);
    // Reads the open deck's sidecar file; one that does not parse is reported once.
    void loadNotes();
    // Which half of the pages holds notes: the speaker's choice, else the guess.
    void applyNotesSide();
    void chooseNotesSide(const QString& choice);
    void load(const QUrl& url, const QString& password, std::function<void(bool)> opened);
    // `attempt` is the count of opens when this one began.
    void loaded(const QUrl& url, OpenStatus status, quint64 attempt,
                const std::function<void(bool)>& opened);
    // Runs what waits for the loads to end, while none is pending.
    void loadEnded();
    // Opens the changed file of the open deck again, keeping the slide (clamped), blanking,
    // presentation and talk timer; `finished` hears whether it worked (false leaves the old deck
    // as it was) once the load ends, never when a newer one took its place.
    void reloadDeck(std::function<void(bool)> finished);
    // Places the audience window by the chooser's rules and gives the keys back to the console.
    void showAudience();
    // Shows the audience window once its exact slide image is drawn (black if that takes long).
    void showAudienceWhenReady(QScreen* screen, bool windowed);

    void createPresenterWindow();
    void installKeyMonitor();
    void startDisplayTimer();
    void tick();
    // While presenting, brings back an audience window that the window manager minimised or
    // unmapped, and says in the status line while it is not on screen.
    void keepAudienceOnScreen();
    bool audienceExposed() const;
    // Presenting, shown, and yet not on screen (minimised or unmapped from outside).
    bool audienceOffScreen() const;
    QWidget* presenterWindow() const;
    AudienceWindow* audienceWindow();
    void updateTitle();
    void startAutomationIfConfigured();

    // What the key monitor reads and drives.
    class Keys;

    Presentation presentation;
    DeckNotes notes;
    // The name of the open deck's sidecar file while it cannot be read.
    QString unreadableNotes;
    OntimeModel ontime;
    StagetimerModel stagetimer;
    // Created on first use, then kept; declared after the models they show, so they go first.
    std::unique_ptr<StagetimerSetupWindowController> stagetimerSetup;
    std::unique_ptr<OntimeSetupWindowController> ontimeSetup;
    QPointer<TimerChoiceSheet> choiceSheet;
    // Timers found during a talk, offered once it ends.
    QList<TimerChoice> heldOffer;
    bool askingToQuit = false;
    bool quitConfirmed = false;
    // Display ticks the audience window has been off screen while presenting; negative while
    // a restore settles.
    int audienceHiddenTicks = 0;
    std::unique_ptr<PresenterWindowController> presenter;
    // A child of the presenter view, so it never shows on the projector.
    QPointer<ShortcutOverlay> shortcutOverlay;
    QPointer<AudienceWindow> audience;
    // Counts attempts to show the audience window, so a late or repeated answer shows nothing.
    quint64 audienceShowing = 0;
    std::unique_ptr<Keys> keys;
    std::unique_ptr<KeyMonitor> keyMonitor;
    QString jumpBuffer;
    QTimer* ticker = nullptr;
    DisplaySleepInhibitor sleepActivity;
    SystemClock clock;
    // The talk timer's timerStart and timerAccumulated.
    TalkTimer talkTimer{clock};
    PaceTarget commandLinePlan;
    std::optional<TalkPace> pace;
    QPointer<PaceDialog> paceWindow;
    std::optional<QUrl> pendingOpen;
    QList<std::pair<QString, QString>> pendingProblems;
    bool presentAtLaunch = false;
    std::optional<qint64> pageAtLaunch;
    // Built before the presenter window, which then takes it over.
    QPointer<MenuBar> menuBar;
    OutputScreens::ChangeNotifier* screenChanges = nullptr;
    // The audience's output went away mid-talk and the window waits hidden for one.
    bool audienceLostOutput = false;
    ReloadWatcher* reloadWatcher = nullptr;
    // Notes edited beside the open deck are read again.
    SidecarWatcher* sidecarWatcher = nullptr;
    // The file name of the deck whose changed file could not be read, while the old one shows.
    QString unreadableChange;
    // Called, in order, once no load is pending.
    QList<std::function<void()>> loadWaiters;
    // Counts the files asked to open, so that a password typed for one the speaker has since
    // given up for another is not used.
    quint64 opens = 0;
    Automation* automation = nullptr;
};
