#include "app/Application.h"

#include "app/AboutText.h"
#include "app/KeyFilter.h"
#include "app/MenuBar.h"
#include "base/L10n.h"
#include "base/Preferences.h"
#include "notes/TalkPlan.h"
#include "ui/audience/AudienceWindow.h"
#include "ui/console/PresenterView.h"
#include "ui/console/PresenterWindow.h"
#include "ui/dialogs/PaceDialog.h"
#include "ui/dialogs/Prompts.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QTimer>
#include <cstdio>
#include <utility>

namespace {

const QString applicationTitle = QStringLiteral("Talvane Orvello");
const QString previewPageKey = QStringLiteral("previewNextPage");

} // namespace

Application::Application(Prompts& prompts, QObject* parent)
    : QObject(parent), relaunch(&MenuBar::relaunchExecutable), prompts(prompts),
      deckController(openDeck, prompts), audienceController(openDeck, show),
      externalTimers(prompts), talkClock(systemClock),
      talkTimings(openDeck, deckController.notes(), show, talkClock, systemClock),
      remoteLink(commands, show, openDeck, deckController.notes()), talkMedia(openDeck, show),
      presenterTools(commands, openDeck, show), pageLinks(openDeck, show),
      slideOverview(openDeck, show),
      transitionControl(openDeck, deckController.notes(), show, systemClock) {
    connectActions();
    connectPieces();
}

Application::~Application() {
    delete keys;
    delete consoleWindow;
    sleepActivity.release();
}

QUrl Application::urlFromArgument(const QString& argument) {
    const QUrl asUrl(argument);
    if (asUrl.isLocalFile())
        return asUrl;
    return QUrl::fromLocalFile(QFileInfo(argument).absoluteFilePath());
}

void Application::setLaunchRequest(bool present, std::optional<qint64> page) {
    presentAtLaunch = present;
    pageAtLaunch = page;
}

void Application::openFiles(const QList<QUrl>& urls) {
    bool taken = false;
    for (const QUrl& url : urls) {
        const QFileInfo file(url.toLocalFile());
        if (file.isDir()) {
            reportProblem(L10n::format("%@ ist ein Ordner, keine PDF-Datei", {file.fileName()}),
                          file.absoluteFilePath());
            continue;
        }
        if (file.suffix().toLower() != QLatin1String("pdf"))
            continue;
        if (taken) {
            reportProblem(L10n::format("Es wird nur eine PDF-Datei geöffnet; %@ bleibt zu.",
                                       {file.fileName()}),
                          file.absoluteFilePath());
            continue;
        }
        taken = true;
        if (!consoleWindow)
            pendingOpen = url;
        else
            openAsked(url);
    }
}

void Application::openAsked(const QUrl& url) {
    // One question at a time: a deck asked for meanwhile is asked about once it is answered.
    if (askingToQuit) {
        waitingToOpen = url;
        return;
    }
    for (std::optional<QUrl> next = url; next; next = std::exchange(waitingToOpen, std::nullopt)) {
        if (show.isPresenting()) {
            // Esc answers this question, as the one before quitting, rather than ending the talk.
            askingToQuit = true;
            const bool leave = prompts.confirmDeckChange(L10n::format(
                "Präsentation läuft – zu „%@“ wechseln?", {QFileInfo(next->path()).fileName()}));
            askingToQuit = false;
            if (!leave && show.isPresenting())
                continue;
        }
        deckController.open(*next);
    }
}

void Application::reportProblem(const QString& message, const QString& informative) {
    std::fprintf(stderr, "talvane-orvello: %s (%s)\n", qPrintable(message),
                 qPrintable(informative));
    // Before start-up the alert waits for the window it belongs to.
    if (!consoleWindow)
        pendingProblems.append({message, informative});
    else
        prompts.alert(message, informative);
}

void Application::start() {
    buildConsole();
    prompts.setWindow(consoleWindow);
    audienceController.setConsole(consoleWindow);
    showScreenChoices();
    // The first time the console fills its screen; after that it opens as the speaker left it.
    if (Preferences::contains(PresenterWindow::frameKey))
        consoleWindow->show();
    else
        consoleWindow->showMaximized();
    consoleWindow->raise();
    consoleWindow->activateWindow();
    talkMedia.setViews(audienceController.window()->slide, consoleWindow->view()->currentView());
    presenterTools.attach(consoleWindow->view()->currentView(), audienceController.window());
    keys = new KeyFilter(commands, show);
    keys->setWindows(consoleWindow, audienceController.window());
    keys->asksToQuit = [this] { return askingToQuit; };
    pageLinks.watch(consoleWindow->view()->currentView(), audienceController.window()->slide);
    keys->overviewOpen = [this] { return slideOverview.isOpen(); };
    slideOverview.attach(consoleWindow->view());
    transitionControl.attach(audienceController.window()->slide,
                             commands[Actions::Id::transitions]);
    audienceController.watchScreens();
    // A timer of the main thread's event loop also fires while a menu is open or the window is
    // being resized, so the clock never freezes.
    ticker = new QTimer(this);
    ticker->setInterval(250);
    connect(ticker, &QTimer::timeout, this, &Application::tick);
    ticker->start();
    externalTimers.setConsole(consoleWindow);
    externalTimers.start();
    remoteLink.start();
    if (pendingOpen) {
        deckController.open(*std::exchange(pendingOpen, std::nullopt), [this](bool opened) {
            if (opened && pageAtLaunch)
                show.goTo(*pageAtLaunch - 1);
        });
    }
    refresh();
    tick();
    // The launch's deck first: the talk starts on it, and a script starts with it open.
    deckController.whenLoaded([this] {
        if (presentAtLaunch)
            show.start();
        emit started();
        for (const auto& [message, informative] : std::exchange(pendingProblems, {}))
            prompts.alert(message, informative);
    });
}

void Application::buildConsole() {
    consoleWindow = new PresenterWindow;
    PresenterView* view = consoleWindow->view();
    view->setDeck(&openDeck);
    view->setNotesWanted(true);
    using Id = Actions::Id;
    view->setCommands({commands[Id::previous], commands[Id::next], commands[Id::togglePresentation],
                       commands[Id::toggleBlack], commands[Id::toggleTimerPause],
                       commands[Id::resetTimer], commands[Id::open]});
    connect(view, &PresenterView::slideClicked, &show, &SlideShow::goTo);
    connect(view, &PresenterView::fileDropped, this, &Application::openAsked);
    connect(view, &PresenterView::screenChosen, &audienceController, &AudienceController::choose);
    consoleWindow->mayClose = [this] { return mayQuit(); };
    // Closing the speaker's window ends the program, even while the audience window is up.
    connect(consoleWindow, &PresenterWindow::closing, qApp, &QCoreApplication::quit,
            Qt::QueuedConnection);

    menuBar = new MenuBar(commands);
    connect(menuBar, &MenuBar::recentChosen, this, &Application::openAsked);
    connect(menuBar, &MenuBar::languageChosen, this, &Application::languageChosen);
    QMenu* timersMenu = menuBar->ontimeMenu();
    externalTimers.fillMenu(timersMenu);
    connect(timersMenu, &QMenu::aboutToShow, this,
            [this, timersMenu] { externalTimers.fillMenu(timersMenu); });
    // The menu bar sits inside the window here; a window without a saved frame grows by its
    // height, so that the view keeps its intended size.
    const bool restoredFrame = Preferences::contains(PresenterWindow::frameKey);
    consoleWindow->setMenuBar(menuBar);
    if (!restoredFrame)
        consoleWindow->resize(consoleWindow->width(),
                              consoleWindow->height() + menuBar->sizeHint().height());
}

void Application::connectActions() {
    using Id = Actions::Id;
    const auto on = [this](Id id, auto slot) {
        connect(commands[id], &QAction::triggered, this, slot);
    };
    on(Id::open, [this] { openDocument(); });
    on(Id::closeWindow, [] {
        if (QWidget* window = QApplication::activeWindow())
            window->close();
    });
    on(Id::quit, [this] { quitAsked(); });
    for (const Id id : {Id::thumbnailColumns1, Id::thumbnailColumns2, Id::thumbnailColumns3,
                        Id::thumbnailColumns4}) {
        const int columns = commands[id]->data().toInt();
        on(id, [this, columns] {
            if (consoleWindow)
                consoleWindow->view()->setThumbnailColumns(columns);
        });
    }
    QAction* preview = commands[Id::previewNextPage];
    preview->setChecked(Preferences::flag(previewPageKey));
    connect(preview, &QAction::toggled, this, [this](bool page) {
        Preferences::setValue(previewPageKey, page);
        refresh();
    });
    on(Id::resetLayout, [this] {
        if (consoleWindow)
            consoleWindow->view()->resetLayout();
    });
    connect(commands.notesSides(), &QActionGroup::triggered, this, [this](QAction* side) {
        deckController.chooseNotesSide(side->data().toString());
        refresh();
    });
    for (const auto& [id, steps] : {std::pair{Id::notesLarger, +1}, {Id::notesSmaller, -1}}) {
        on(id, [this, steps = steps] {
            if (consoleWindow)
                consoleWindow->view()->changeNotesSize(steps);
        });
    }
    on(Id::togglePresentation, [this] { show.isPresenting() ? show.stop() : void(show.start()); });
    on(Id::startFromBeginning, [this] {
        // From the top after the presentation ended: a new talk, timed from zero.
        if (!show.isPresenting())
            talkClock.reset(false);
        show.startFrom(0);
    });
    on(Id::rehearse, [this] {
        if (show.isPresenting())
            return;
        // A rehearsal is a run of its own, timed from zero as a new talk is.
        talkClock.reset(false);
        talkTimings.rehearseNext();
        show.start();
    });
    // A slide's whiteboards come after it, as pages of the talk.
    on(Id::next, [this] {
        if (!presenterTools.stepBoard(+1) && !talkTimings.stepPastSkip())
            show.next();
    });
    on(Id::previous, [this] {
        if (presenterTools.stepBoard(-1))
            return;
        const qint64 from = show.page();
        show.previous();
        presenterTools.steppedBackFrom(from);
    });
    on(Id::nextSlide, [this] { show.nextSlide(); });
    on(Id::previousSlide, [this] { show.previousSlide(); });
    on(Id::first, [this] { show.first(); });
    on(Id::last, [this] { show.last(); });
    on(Id::goToTyped, [this] { show.goToTyped(); });
    on(Id::linkBack, [this] { pageLinks.back(); });
    on(Id::linkForward, [this] { pageLinks.forward(); });
    on(Id::overview, [this] { slideOverview.toggle(); });
    // Esc leaves a tool's state before it acts on the talk.
    on(Id::escape, [this] {
        if (!presenterTools.escape())
            show.escape();
        else
            refresh();
    });
    on(Id::toggleBlack, [this] { show.toggleBlank(Blank::black); });
    on(Id::toggleWhite, [this] { show.toggleBlank(Blank::white); });
    on(Id::toggleTimerPause, [this] {
        talkClock.togglePause();
        tick();
    });
    on(Id::resetTimer, [this] {
        talkClock.reset(show.isPresenting());
        tick();
    });
    on(Id::talkPlan, [this] { showPaceDialog(); });
    on(Id::timings, [this] { talkTimings.showWindow(consoleWindow); });
    on(Id::skipSlides, [this] { talkTimings.skip(talkReading()); });
    on(Id::toggleMedia, [this] { talkMedia.toggle(); });
    // After the tools froze or thawed the projector: its video follows.
    on(Id::freeze, [this] { refresh(); });
    on(Id::remote, [this] { remoteLink.showWindow(consoleWindow); });
    on(Id::shortcuts, [this] {
        if (consoleWindow)
            consoleWindow->toggleShortcuts();
    });
    on(Id::about, [this] {
        prompts.about(L10n::format("Über %@", {applicationTitle}),
                      AboutText::text(applicationTitle));
    });
}

void Application::connectPieces() {
    connect(&show, &SlideShow::changed, this, &Application::refresh);
    connect(&show, &SlideShow::presentingChanged, this, &Application::presentingChanged);
    connect(&deckController, &DeckController::opened, this, &Application::deckOpened);
    connect(&deckController, &DeckController::reloaded, this, [this] {
        talkMedia.deckOpened();
        show.setDeck(openDeck.pageCount(), &deckController.notes(), true);
        // A rebuilt file may have other slides than the overview holds.
        slideOverview.leave();
        presenterTools.deckReloaded();
        refresh();
    });
    connect(&deckController, &DeckController::notesChanged, this, &Application::notesChanged);
    connect(&deckController, &DeckController::noticeChanged, this, &Application::refresh);
    connect(&deckController, &DeckController::problem, this, &Application::reportProblem);
    connect(&audienceController, &AudienceController::stepRequested, this, [this](int step) {
        commands.trigger(step > 0 ? Actions::Id::next : Actions::Id::previous);
    });
    connect(&audienceController, &AudienceController::screensChanged, this, [this] {
        showScreenChoices();
        refresh();
    });
    connect(&audienceController, &AudienceController::exposureChanged, this, &Application::refresh);
    connect(&externalTimers, &ExternalTimers::noteChanged, this, &Application::refresh);
    connect(&talkTimings, &TalkTimings::problem, this, &Application::showStatus);
    connect(&pageLinks, &PageLinks::acted, this, &Application::showStatus);
    connect(&talkMedia, &TalkMedia::noticeChanged, this, &Application::showStatus);
    connect(&presenterTools, &PresenterTools::noticeChanged, this, &Application::showStatus);
}

void Application::presentingChanged(bool presenting) {
    externalTimers.setPresenting(presenting);
    // The record is read between talks, never in front of an audience.
    commands[Actions::Id::timings]->setEnabled(!presenting);
    if (presenting) {
        talkClock.resumeAfterBreak();
        sleepActivity.inhibit(applicationTitle, L10n::lookup("Präsentation läuft"));
    } else {
        talkClock.holdForBreak();
        sleepActivity.release();
    }
    tick();
}

void Application::deckOpened() {
    // Only now: a file that does not open leaves the talk running on the old deck.
    talkMedia.deckOpened();
    show.setDeck(openDeck.pageCount(), &deckController.notes(), false);
    pageLinks.clear();
    slideOverview.leave();
    commands.setDeckOpen(true);
    presenterTools.deckOpened();
    talkClock.usePlan(
        talkClock.planFor(openDeck.url(), TalkPlan::fromSidecar(deckController.notes().sidecar())));
    updateTitle();
    // The window system shows the document's icon and path with the title where it can.
    if (consoleWindow)
        consoleWindow->setWindowFilePath(openDeck.url().toLocalFile());
    talkClock.reset(false);
    tick();
    refresh();
}

void Application::notesChanged() {
    // An edited sidecar may change the notes, the hidden pages and the talk's length.
    talkClock.usePlan(
        talkClock.planFor(openDeck.url(), TalkPlan::fromSidecar(deckController.notes().sidecar())));
    refresh();
    tick();
}

void Application::refresh() {
    if (!consoleWindow)
        return;
    // The projector first: its repaint is then queued, painted and sent to the display before
    // the console's. A transition plays from the picture shown before to the one shown now.
    transitionControl.beforeRefresh();
    audienceController.refresh();
    transitionControl.afterRefresh();
    PresenterView* view = consoleWindow->view();
    const qint64 page = show.page();
    const qint64 pageCount = openDeck.pageCount();
    const DeckNotes& notes = deckController.notes();
    PresenterView::Slides slides;
    slides.page = page;
    slides.next = nextShown(page);
    // The slide's clips follow the projector; those of the page the next key shows are made
    // ready.
    const qint64 after = show.neighbour(page, +1);
    talkMedia.refresh(after > page && after < pageCount ? std::optional<qint64>(after)
                                                        : std::nullopt,
                      presenterTools.frozen());
    showStatus();
    slides.blank = show.blank();
    slides.presenting = show.isPresenting();
    slides.typed = show.typed();
    slides.missing = show.missingNumber();
    slides.structure = show.slides();
    if (openDeck.notesSide() != NotesSide::none)
        slides.notesPage = page;
    slides.notes = notes.notesFor(page, openDeck.annotationNotes(page));
    slides.notesFontSize = notes.sidecar().noteFontSize;
    view->showSlides(slides);
    presenterTools.refresh();
    // The projector's images are prepared before its window shows and before each step.
    if (SlideRenderer* renderer = openDeck.renderer()) {
        RenderPlan::Inputs plan;
        plan.page = page;
        plan.pageCount = pageCount;
        plan.step = [this](qint64 from, int direction) { return show.neighbour(from, direction); };
        plan.jumps = {show.slides().nextSlide(page), show.slides().previousSlide(page)};
        plan.nextShown = [this](qint64 from) { return nextShown(from); };
        plan.audience = audienceController.slidePixels();
        plan.consoleCurrent = view->currentSlidePixels();
        plan.consoleNext = view->nextSlidePixels();
        plan.presenting = show.isPresenting();
        renderPlan.apply(*renderer, plan);
    }
    if (remoteLink.isEnabled())
        QMetaObject::invokeMethod(
            this, [this] { updateRemote(talkNow()); }, Qt::QueuedConnection);
}

void Application::showStatus() {
    if (!consoleWindow)
        return;
    // What a click on a link did answers that click, before anything older.
    QStringList notices{pageLinks.notice(),   audienceController.notice(), deckController.notice(),
                        talkTimings.notice(), talkMedia.notice(),          presenterTools.notice()};
    if (const std::optional<SkipOffer> offer = talkTimings.skipOffer(talkReading()))
        notices.append(offer->text() + QStringLiteral("   (S)"));
    notices.removeAll(QString());
    consoleWindow->view()->setStatus(audienceController.warning(), notices.value(0),
                                     externalTimers.note());
}

std::optional<qint64> Application::nextShown(qint64 page) const {
    const SlideStructure& slides = show.slides();
    const bool wholeSlide = !commands[Actions::Id::previewNextPage]->isChecked();
    const qint64 ahead = wholeSlide ? slides.nextSlide(page) : show.neighbour(page, +1);
    // Past the end slide come the backup slides: the talk proper ends there, unless the speaker
    // is among them already.
    const qint64 end = slides.endSlide();
    if (ahead <= page || ahead >= openDeck.pageCount() ||
        (slides.slideOf(page) <= end && slides.slideOf(ahead) > end))
        return std::nullopt;
    return wholeSlide ? slides.lastShownStep(slides.slideOf(ahead)) : ahead;
}

std::optional<TalkPace::Reading> Application::paceReading() const {
    const std::optional<TalkPace::Reading> talk = talkReading();
    const std::optional<PlanPace::Reading> planned = talkTimings.read(talk);
    return planned ? std::optional<TalkPace::Reading>(planned->pace) : talk;
}

std::optional<TalkPace::Reading> Application::talkReading() const {
    // Slides, not pages: overlays make one slide, and hidden and backup slides take no share.
    const SlideStructure& slides = deckController.notes().slides();
    return talkClock.read(slides.talkSlidesBefore(show.page()), slides.talkSlideCount());
}

void Application::tick() {
    if (!consoleWindow)
        return;
    PresenterView* view = consoleWindow->view();
    const TalkNow now = talkNow();
    view->showTalkTimer(now.timer, now.reading);
    view->showClock(TalkTimer::formatClock(QDateTime::currentDateTime()));
    const ExternalTimers::Block block = externalTimers.shownBlock();
    view->showTimerBlock(block == ExternalTimers::Block::ontime ? PresenterLayout::Block::Ontime
                         : block == ExternalTimers::Block::stagetimer
                             ? PresenterLayout::Block::Stagetimer
                             : PresenterLayout::Block::None,
                         externalTimers.blockContent());
    showStatus();
    updateRemote(now);
    audienceController.keepOnScreen();
}

Application::TalkNow Application::talkNow() const {
    const std::optional<TalkPace::Reading> talk = talkReading();
    const std::optional<PlanPace::Reading> planned = talkTimings.read(talk);
    TalkNow now;
    now.reading = planned ? planned->pace : talk;
    now.timer = talkClock.display(now.reading);
    if (planned)
        now.timer.caption += QStringLiteral(" · ") + PlanPace::lagText(planned->lagSeconds);
    return now;
}

void Application::updateRemote(const TalkNow& now) {
    if (!remoteLink.isEnabled() || !consoleWindow)
        return;
    const PresenterView::Readout shown = consoleWindow->view()->readout();
    remoteLink.update(now.timer, now.reading,
                      shown.block == PresenterLayout::Block::None
                          ? QString()
                          : shown.blockCaption + QLatin1Char(' ') + shown.blockTime);
}

void Application::showScreenChoices() {
    if (!consoleWindow)
        return;
    const AudienceController::Chooser chooser = audienceController.chooser();
    QList<PresenterView::ScreenChoice> choices;
    for (const OutputScreens::ChooserItem& item : chooser.items)
        choices.append({item.title, item.value});
    consoleWindow->view()->setScreenChoices(choices, chooser.selected, chooser.caption);
}

void Application::openDocument() {
    // The dialog starts where the open deck lives: the next talk is usually beside it.
    const QString folder = openDeck.pageCount() > 0
                               ? QFileInfo(openDeck.url().toLocalFile()).absolutePath()
                               : QString();
    const QString path = QFileDialog::getOpenFileName(consoleWindow, QString(), folder,
                                                      QStringLiteral("PDF (*.pdf *.PDF)"));
    if (!path.isEmpty())
        openAsked(QUrl::fromLocalFile(path));
}

void Application::showPaceDialog() {
    if (paceWindow) {
        paceWindow->raise();
        paceWindow->activateWindow();
        return;
    }
    auto* dialog = new PaceDialog(talkClock.plan(), consoleWindow);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // Mid-talk the console's buttons and the audience must stay within reach.
    dialog->setWindowModality(show.isPresenting() ? Qt::NonModal : Qt::WindowModal);
    connect(dialog, &PaceDialog::chosen, this, &Application::chooseTalkPlan);
    paceWindow = dialog;
    dialog->show();
}

void Application::chooseTalkPlan(const PaceTarget& plan) {
    talkClock.choosePlan(openDeck.pageCount() > 0 ? openDeck.url() : QUrl(), plan);
    refresh();
    tick();
}

void Application::languageChosen() {
    const int answer =
        prompts.ask(L10n::lookup("Die Sprache wird nach einem Neustart der App gewechselt."),
                    {L10n::lookup("Jetzt neu starten"), L10n::lookup("Später")});
    if (answer != 0)
        return;
    // The new instance opens the deck at the slide on screen now.
    QStringList arguments;
    if (openDeck.pageCount() > 0)
        arguments << openDeck.url().toLocalFile() << QStringLiteral("--page")
                  << QString::number(show.page() + 1);
    // The speaker asked for the restart; quitting must not ask again.
    quitConfirmed = true;
    relaunch(arguments);
}

bool Application::mayQuit() {
    // Quitting closes the windows, which would ask a second time.
    if (!show.isPresenting() || quitConfirmed)
        return true;
    askingToQuit = true;
    quitConfirmed = prompts.confirmQuit(L10n::lookup("Präsentation läuft – wirklich beenden?"));
    askingToQuit = false;
    return quitConfirmed;
}

void Application::quitAsked() {
    if (mayQuit())
        QCoreApplication::quit();
}

void Application::raiseConsole() {
    if (!consoleWindow)
        return;
    consoleWindow->setWindowState(consoleWindow->windowState() & ~Qt::WindowMinimized);
    consoleWindow->show();
    consoleWindow->raise();
    consoleWindow->activateWindow();
}

void Application::updateTitle() {
    if (consoleWindow)
        consoleWindow->setWindowTitle(openDeck.pageCount() > 0
                                          ? QFileInfo(openDeck.url().path()).completeBaseName()
                                          : applicationTitle);
}
