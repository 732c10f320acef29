// The program's pieces, built and wired in one place: start-up, the hand-over from another launch,
// the commands' actions, one refresh of the console and the projector per change, the display
// tick, quitting and relaunching.
#pragma once

#include "app/Actions.h"
#include "app/AudienceController.h"
#include "app/DeckController.h"
#include "app/DisplaySleepInhibitor.h"
#include "app/ExternalTimers.h"
#include "app/MenuBar.h"
#include "app/OverviewControl.h"
#include "app/PageLinks.h"
#include "app/PresenterTools.h"
#include "app/RemoteLink.h"
#include "app/TalkMedia.h"
#include "app/TalkTimings.h"
#include "app/TransitionControl.h"
#include "document/Deck.h"
#include "net/Clock.h"
#include "pacing/TalkClock.h"
#include "render/RenderPlan.h"
#include "show/SlideShow.h"
#include "ui/console/PresenterWindow.h"
#include "ui/dialogs/PaceDialog.h"

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <functional>
#include <optional>

class KeyFilter;
class Prompts;
class QTimer;

class Application : public QObject {
    Q_OBJECT
public:
    explicit Application(Prompts& prompts, QObject* parent = nullptr);
    ~Application() override;

    // From the command line, before start(): the talk plan for every deck of this run, the slide
    // to open the handed-over deck at (from 1), and whether to start presenting at once.
    void setCommandLinePlan(const PaceTarget& plan) { talkClock.setCommandLinePlan(plan); }
    void setLaunchRequest(bool present, std::optional<qint64> page);
    // Files handed over by the command line or another launch; the first PDF wins.
    void openFiles(const QList<QUrl>& urls);
    // A deck the speaker asked for; during a talk only once they confirm leaving it.
    void openAsked(const QUrl& url);
    // Builds the windows and starts the links; started() follows once the launch's deck is open.
    void start();
    // Brings the console to the front, for a later launch of the program.
    void raiseConsole();
    // False when the speaker keeps a running talk; asks only while presenting.
    bool mayQuit();

    // How the program starts itself anew with these arguments and quits; by default it runs its
    // own executable again.
    std::function<void(const QStringList& arguments)> relaunch;

    static QUrl urlFromArgument(const QString& argument);

    // The pieces, for what drives the program from outside.
    Deck& deck() { return openDeck; }
    SlideShow& slideShow() { return show; }
    const Actions& actions() const { return commands; }
    DeckController& decks() { return deckController; }
    AudienceController& audience() { return audienceController; }
    ExternalTimers& timers() { return externalTimers; }
    const TalkClock& clock() const { return talkClock; }
    TalkTimings& timings() { return talkTimings; }
    const RemoteLink& remote() const { return remoteLink; }
    PageLinks& links() { return pageLinks; }
    const OverviewControl& overview() const { return slideOverview; }
    const TransitionControl& transitions() const { return transitionControl; }
    const TalkMedia& media() const { return talkMedia; }
    const PresenterTools& tools() const { return presenterTools; }
    PresenterWindow* console() const { return consoleWindow; }
    MenuBar* menus() const { return menuBar; }
    PaceDialog* paceDialog() const { return paceWindow; }
    // The countdown and pace now, against the plan per slide where the deck has one; absent
    // without a plan.
    std::optional<TalkPace::Reading> paceReading() const;
    // The countdown and pace of the talk's own length or end time.
    std::optional<TalkPace::Reading> talkReading() const;

signals:
    // Start-up is done and the launch's deck is open (or failed).
    void started();

private:
    void buildConsole();
    void connectActions();
    void connectPieces();
    // Brings the projector, then the console, then what is drawn ahead in line with the talk.
    void refresh();
    // The page the console's next view shows while `page` is current: how the next slide ends,
    // or the next page where the speaker chose so; none past the end of the talk proper.
    std::optional<qint64> nextShown(qint64 page) const;
    // Four times a second: the talk timer, the clock, the external timer and the audience
    // window's watchdog.
    void tick();
    void showScreenChoices();
    // The status line: warnings, notices and the offer to skip when the talk runs late.
    void showStatus();
    // The talk timer as the console shows it, with the reading it shows.
    struct TalkNow {
        TalkTimer::Display timer;
        std::optional<TalkPace::Reading> reading;
    };
    TalkNow talkNow() const;
    // The phones and desks hear of the talk; after a refresh, once the projector is painted.
    void updateRemote(const TalkNow& now);
    void presentingChanged(bool presenting);
    void deckOpened();
    void notesChanged();
    // A failure the speaker must see: on standard error and as an alert (after start-up, when
    // it happens before).
    void reportProblem(const QString& message, const QString& informative);
    void openDocument();
    void showPaceDialog();
    void chooseTalkPlan(const PaceTarget& plan);
    void languageChosen();
    void quitAsked();
    void updateTitle();

    Prompts& prompts;
    SystemClock systemClock;
    Deck openDeck;
    SlideShow show;
    Actions commands;
    DeckController deckController;
    AudienceController audienceController;
    ExternalTimers externalTimers;
    TalkClock talkClock;
    TalkTimings talkTimings;
    RemoteLink remoteLink;
    TalkMedia talkMedia;
    PresenterTools presenterTools;
    PageLinks pageLinks;
    OverviewControl slideOverview;
    TransitionControl transitionControl;
    RenderPlan renderPlan;
    DisplaySleepInhibitor sleepActivity;
    QPointer<PresenterWindow> consoleWindow;
    QPointer<MenuBar> menuBar;
    QPointer<PaceDialog> paceWindow;
    KeyFilter* keys = nullptr;
    QTimer* ticker = nullptr;
    bool askingToQuit = false;
    bool quitConfirmed = false;
    // A deck asked for while the question for another is open: asked about next.
    std::optional<QUrl> waitingToOpen;
    std::optional<QUrl> pendingOpen;
    QList<std::pair<QString, QString>> pendingProblems;
    bool presentAtLaunch = false;
    std::optional<qint64> pageAtLaunch;
};
