#include "app/AppDelegate.h"

#include "app/Automation.h"
#include "app/KeyMonitor.h"
#include "app/MenuBar.h"
#include "app/OutputScreens.h"
#include "app/ReloadWatcher.h"
#include "base/L10n.h"
#include "base/Preferences.h"
#include "base/RecentFiles.h"
#include "notes/SidecarWatcher.h"
#include "ui/audience/AudienceWindow.h"
#include "ui/common/LabelStyle.h"
#include "ui/common/SlideView.h"
#include "ui/console/NotesPane.h"
#include "ui/console/PaceLine.h"
#include "ui/console/PresenterView.h"
#include "ui/console/PresenterWindow.h"
#include "ui/console/ShortcutOverlay.h"
#include "ui/console/ThumbnailSidebar.h"
#include "ui/dialogs/PaceDialog.h"
#include "ui/timers/OntimeSetup.h"
#include "ui/timers/StagetimerSetup.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileOpenEvent>
#include <QGuiApplication>
#include <QInputDialog>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTextDocument>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

const QString applicationTitle = QStringLiteral("Talvane Orvello");

QString blankName(Blank blank) {
    switch (blank) {
    case Blank::black:
        return QStringLiteral("black");
    case Blank::white:
        return QStringLiteral("white");
    case Blank::none:
        break;
    }
    return QStringLiteral("none");
}

QString colourName(const QLabel* label) {
    return label->palette().color(QPalette::WindowText).name();
}

} // namespace

class AppDelegate::Keys : public KeyTarget {
public:
    explicit Keys(AppDelegate& controller) : controller(controller) {}

    int pageCount() const override { return int(controller.presentation.pageCount); }
    int slideIndex() const override { return int(controller.presentation.index); }
    int neighbour(int direction) const override {
        return int(controller.notes.step(controller.presentation.index, direction));
    }
    bool isBlanked() const override { return controller.presentation.blank != Blank::none; }
    bool isPresenting() const override { return controller.presentation.isPresenting; }
    QString jumpBuffer() const override { return controller.jumpBuffer; }
    void setJumpBuffer(const QString& digits) override { controller.jumpBuffer = digits; }
    void goTo(int index) override { controller.presentation.goTo(index); }
    void refresh() override { controller.refresh(); }
    void toggleBlack() override { controller.toggleBlack(); }
    void toggleWhite() override { controller.toggleWhite(); }
    void unblank() override {
        controller.presentation.blank = Blank::none;
        controller.presentation.notify();
    }
    void startPresentation() override { controller.startPresentation(); }
    void stopPresentation() override { controller.stopPresentation(); }
    void setTimerChoiceAside() override { controller.setTimerChoiceAside(); }
    bool asksToQuit() const override { return controller.askingToQuit; }
    QWidget* presenterWindow() const override { return controller.presenterWindow(); }
    QWidget* audienceWindow() const override { return controller.audience; }

private:
    AppDelegate& controller;
};

AppDelegate::AppDelegate() : keys(std::make_unique<Keys>(*this)) {
    qApp->installEventFilter(this);
    // Before the views hear of a new deck (or a reloaded one), so that they draw the right half.
    presentation.onOpen = [this] {
        loadNotes();
        applyNotesSide();
    };
    sidecarWatcher = new SidecarWatcher(
        [this] {
            loadNotes();
            applyNotesSide();
            // An edited sidecar may change the talk's length.
            applyPlan(deckPlan());
            presentation.notify();
        },
        400, this);
    reloadWatcher = new ReloadWatcher([this](auto finished) { reloadDeck(std::move(finished)); },
                                      [this] {
                                          // Never an alert: the talk goes on with the old deck, and
                                          // the status line says so.
                                          unreadableChange =
                                              QFileInfo(presentation.url.toLocalFile()).fileName();
                                          refresh();
                                      },
                                      ReloadWatcher::Timing{}, this);
}

AppDelegate::~AppDelegate() {
    keyMonitor.reset();
    sleepActivity.release();
    delete audience;
}

QUrl AppDelegate::urlFromArgument(const QString& argument) {
    const QUrl asUrl(argument);
    if (asUrl.isLocalFile())
        return asUrl;
    return QUrl::fromLocalFile(QFileInfo(argument).absoluteFilePath());
}

void AppDelegate::applicationOpen(const QList<QUrl>& urls) {
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
        if (!presenter)
            pendingOpen = url;
        else
            open(url);
    }
}

void AppDelegate::reportProblem(const QString& message, const QString& informative) {
    std::fprintf(stderr, "talvane-orvello: %s (%s)\n", qPrintable(message),
                 qPrintable(informative));
    // Before start-up the alert waits for the window it belongs to.
    if (!presenter)
        pendingProblems.append({message, informative});
    else
        showAlert(message, informative);
}

void AppDelegate::setLaunchRequest(bool present, std::optional<qint64> page) {
    presentAtLaunch = present;
    pageAtLaunch = page;
}

void AppDelegate::raiseConsole() {
    QWidget* window = presenterWindow();
    if (!window)
        return;
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FileOpen && watched == qApp) {
        applicationOpen({static_cast<QFileOpenEvent*>(event)->url()});
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void AppDelegate::applicationDidFinishLaunching() {
    buildMenuBar();
    createPresenterWindow();
    presentation.observers.push_back([self = QPointer<AppDelegate>(this)] {
        if (self)
            self->refresh();
    });
    rebuildScreenPopup();
    presenterWindow()->show();
    presenterWindow()->raise();
    presenterWindow()->activateWindow();
    installKeyMonitor();
    subscribeToScreenChanges();
    startDisplayTimer();
    startTimers();
    if (pendingOpen) {
        const QUrl url = *pendingOpen;
        pendingOpen.reset();
        open(url, [this](bool opened) {
            if (opened && pageAtLaunch)
                goToSlide(*pageAtLaunch - 1);
        });
    }
    refresh();
    tick();
    // The launch's deck first: the talk starts on it, and a script starts with it open.
    whenLoaded([this] {
        if (presentAtLaunch)
            startPresentation();
        startAutomationIfConfigured();
        for (const auto& [message, informative] : std::exchange(pendingProblems, {}))
            showAlert(message, informative);
    });
}

void AppDelegate::createPresenterWindow() {
    presenter = std::make_unique<PresenterWindowController>(&presentation);
    PresenterView* view = presenter->content;
    view->deckNotes = &notes;
    connect(view->prevButton, &QPushButton::clicked, this, &AppDelegate::previousSlide);
    connect(view->nextButton, &QPushButton::clicked, this, &AppDelegate::nextSlide);
    connect(view->startButton, &QPushButton::clicked, this, &AppDelegate::togglePresentation);
    connect(view->blackButton, &QPushButton::clicked, this, &AppDelegate::toggleBlack);
    connect(view->pauseButton, &QPushButton::clicked, this, &AppDelegate::toggleTimerPause);
    connect(view->resetButton, &QPushButton::clicked, this, &AppDelegate::resetTimer);
    connect(view->openButton, &QPushButton::clicked, this, &AppDelegate::openDocument);
    view->openDroppedFile = [self = QPointer<AppDelegate>(this)](const QUrl& url) {
        if (!self)
            return false;
        self->open(url);
        return true;
    };
    view->sidebar->onSlideClicked = [self = QPointer<AppDelegate>(this)](qint64 index) {
        if (self)
            self->goToSlide(index);
    };
    connect(view->screenPopup, &QComboBox::activated, this, &AppDelegate::screenChosen);
    shortcutOverlay = new ShortcutOverlay(view);

    // The menu bar sits inside the window here; a window without a saved frame grows by its
    // height, so that the view keeps its intended size.
    PresenterWindow* window = presenter->window();
    window->mayClose = [self = QPointer<AppDelegate>(this)] { return !self || self->mayQuit(); };
    const bool restoredFrame = Preferences::contains(PresenterWindowController::frameKey);
    window->setMenuBar(menuBar);
    if (!restoredFrame)
        window->resize(window->width(), window->height() + menuBar->sizeHint().height());
}

PresenterView* AppDelegate::presenterView() const {
    return presenter ? presenter->content : nullptr;
}

MenuBar* AppDelegate::menus() const {
    return menuBar;
}

void AppDelegate::buildMenuBar() {
    const QPointer<AppDelegate> self(this);
    const auto command = [self](void (AppDelegate::*action)()) {
        return [self, action] {
            if (self)
                (self.data()->*action)();
        };
    };
    MenuCommands commands;
    commands.showAbout = [self] {
        const QString title = L10n::format("Über %@", {applicationTitle});
        const QString text =
            applicationTitle + QLatin1Char(' ') + QCoreApplication::applicationVersion();
        if (Automation::isActive()) {
            Automation::printEvent({{QStringLiteral("event"), QStringLiteral("about")},
                                    {QStringLiteral("message"), text}});
            return;
        }
        QMessageBox::about(self ? self->presenterWindow() : nullptr, title, text);
    };
    commands.showShortcuts = [self] {
        if (self && self->shortcutOverlay)
            self->shortcutOverlay->toggle();
    };
    commands.quit = command(&AppDelegate::quitAsked);
    commands.openDocument = command(&AppDelegate::openDocument);
    commands.openRecent = [self](const QUrl& url) {
        if (self)
            self->open(url);
    };
    commands.togglePresentation = command(&AppDelegate::togglePresentation);
    commands.startFromBeginning = command(&AppDelegate::startFromBeginning);
    commands.nextSlide = command(&AppDelegate::nextSlide);
    commands.previousSlide = command(&AppDelegate::previousSlide);
    commands.firstSlide = command(&AppDelegate::firstSlide);
    commands.lastSlide = command(&AppDelegate::lastSlide);
    commands.toggleBlack = command(&AppDelegate::toggleBlack);
    commands.toggleWhite = command(&AppDelegate::toggleWhite);
    commands.toggleTimerPause = command(&AppDelegate::toggleTimerPause);
    commands.resetTimer = command(&AppDelegate::resetTimer);
    commands.setTalkPlan = command(&AppDelegate::showPaceDialog);
    commands.fillOntimeMenu = [self](QMenu* menu) {
        if (self)
            self->fillOntimeMenu(menu);
    };
    commands.setThumbColumns = [self](int columns) {
        if (self && self->presenter)
            self->presenter->content->sidebar->setColumns(columns);
    };
    commands.resetLayout = [self] {
        if (self && self->presenter)
            self->presenter->content->resetLayout();
    };
    commands.setNotesSide = [self](const QString& choice) {
        if (self)
            self->chooseNotesSide(choice);
    };
    commands.changeNotesSize = [self](int steps) {
        if (self && self->presenter)
            self->presenter->content->notesPane->changeFontSize(steps);
    };
    commands.ask = [self](const QString& message, const QStringList& buttons) {
        if (Automation::isActive()) {
            Automation::printEvent(
                {{QStringLiteral("event"), QStringLiteral("alert")},
                 {QStringLiteral("message"), message},
                 {QStringLiteral("buttons"), QJsonArray::fromStringList(buttons)}});
            return 0;
        }
        QMessageBox box(QMessageBox::Information, applicationTitle, message, QMessageBox::NoButton,
                        self ? self->presenterWindow() : nullptr);
        QList<QAbstractButton*> choices;
        for (const QString& title : buttons)
            choices.append(box.addButton(title, choices.isEmpty() ? QMessageBox::AcceptRole
                                                                  : QMessageBox::RejectRole));
        box.setDefaultButton(static_cast<QPushButton*>(choices.first()));
        box.exec();
        return int(choices.indexOf(box.clickedButton()));
    };
    commands.relaunch = [self] {
        if (!self)
            return;
        // The new instance opens the deck at the slide on screen now.
        QStringList arguments;
        if (self->presentation.pageCount > 0)
            arguments << self->presentation.url.toLocalFile() << QStringLiteral("--page")
                      << QString::number(self->presentation.index + 1);
        // The speaker asked for the restart; quitting must not ask again.
        self->quitConfirmed = true;
        if (Automation::isActive()) {
            Automation::printEvent(
                {{QStringLiteral("event"), QStringLiteral("relaunch")},
                 {QStringLiteral("arguments"), QJsonArray::fromStringList(arguments)}});
            QCoreApplication::quit();
            return;
        }
        MenuBar::relaunchExecutable(arguments);
    };
    menuBar = new MenuBar(std::move(commands));
}

void AppDelegate::rebuildScreenPopup() {
    if (!presenter)
        return;
    PresenterView* view = presenter->content;
    const QList<OutputScreens::ScreenInfo> screens = OutputScreens::describeAll();
    const int presenterScreen = OutputScreens::presenterScreen(
        OutputScreens::indexOf(presenterWindow()->screen()), screens);
    const QString setting = Preferences::text(OutputScreens::settingKey);
    const QList<OutputScreens::PopupItem> items =
        OutputScreens::popupItems(screens, presenterScreen);
    view->screenPopup->clear();
    for (const OutputScreens::PopupItem& item : items)
        view->screenPopup->addItem(item.title, item.value);
    view->screenPopup->setCurrentIndex(OutputScreens::selectedItem(items, setting));
    view->screenCaption->setText(OutputScreens::caption(
        OutputScreens::outputScreen(setting, screens, presenterScreen), screens));
}

std::pair<QScreen*, bool> AppDelegate::outputScreen() const {
    const QList<QScreen*> systemScreens = QGuiApplication::screens();
    const QList<OutputScreens::ScreenInfo> screens = OutputScreens::describeAll();
    const int windowScreen = presenter ? OutputScreens::indexOf(presenterWindow()->screen()) : -1;
    const OutputScreens::Choice choice =
        OutputScreens::outputScreen(Preferences::text(OutputScreens::settingKey), screens,
                                    OutputScreens::presenterScreen(windowScreen, screens));
    return {choice.screen >= 0 ? systemScreens.at(choice.screen) : nullptr, choice.windowed};
}

void AppDelegate::screenChosen(int index) {
    if (!presenter)
        return;
    const QVariant value = presenter->content->screenPopup->itemData(index);
    Preferences::setValue(OutputScreens::settingKey,
                          value.typeId() == QMetaType::QString ? value.toString() : QString());
    rebuildScreenPopup();
    if (presentation.isPresenting) {
        showAudience();
        refresh();
    }
}

void AppDelegate::showAudience() {
    audienceLostOutput = false;
    const auto [screen, windowed] = outputScreen();
    placeAudienceWindow(screen, windowed);
    presenterWindow()->raise();
    presenterWindow()->activateWindow();
}

void AppDelegate::subscribeToScreenChanges() {
    screenChanges = new OutputScreens::ChangeNotifier(this);
    connect(screenChanges, &OutputScreens::ChangeNotifier::screensChanged, this,
            &AppDelegate::screensChanged);
    connect(qApp, &QGuiApplication::screenRemoved, this, &AppDelegate::screenRemoved);
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &AppDelegate::focusWindowChanged);
    // The chooser marks the console's screen, and the automatic choice avoids it. Under Wayland
    // the console learns its output only once the compositor has shown it, maybe after F5.
    connect(presenterWindow()->windowHandle(), &QWindow::screenChanged, screenChanges,
            &OutputScreens::ChangeNotifier::noteChange);
}

void AppDelegate::screenRemoved(QScreen* screen) {
    // Hidden before Qt moves it: a compositor leaves a window whose output went away as a stray
    // frame over the console.
    if (audience && audience->isVisible() && !audience->windowed && audience->screen() == screen) {
        audience->hide();
        audienceLostOutput = true;
    }
}

void AppDelegate::screensChanged() {
    rebuildScreenPopup();
    // Qt moves a window off a screen that went away but keeps its old frame; a test window is
    // left where the speaker put it.
    if (!presentation.isPresenting || !audience || audience->windowed)
        return;
    // On Wayland a full-screen window over the console's output covers it and takes its keys:
    // after an unplug, it waits for an output of its own.
    const bool onlyTheConsoleLeft = outputScreen().first == presenterWindow()->screen();
    if (!audienceLostOutput || !onlyTheConsoleLeft ||
        !QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        showAudience();
    refresh();
}

void AppDelegate::focusWindowChanged(QWindow* window) {
    // Wayland compositors give the keys to every newly shown window, whatever it asks for.
    if (window && audience && window == audience->windowHandle() && !audience->windowed &&
        presenterWindow())
        presenterWindow()->activateWindow();
}

QString AppDelegate::notice() const {
    if (presentation.isPresenting && audienceLostOutput)
        return L10n::lookup("Ausgabe getrennt – Publikumsfenster wartet auf den Bildschirm");
    if (const QUrl loading = presentation.loading(); !loading.isEmpty())
        return L10n::format("Öffne %@ …", {QFileInfo(loading.path()).fileName()});
    if (!unreadableChange.isEmpty())
        return L10n::format("Geänderte Datei %@ nicht lesbar – die bisherige Fassung bleibt",
                            {unreadableChange});
    if (!unreadableNotes.isEmpty())
        return L10n::format("Notizdatei %@ nicht lesbar – ohne Notizen", {unreadableNotes});
    return QString();
}

QWidget* AppDelegate::presenterWindow() const {
    return presenter ? presenter->window() : nullptr;
}

void AppDelegate::installKeyMonitor() {
    keyMonitor = std::make_unique<KeyMonitor>(this, keys.get());
}

void AppDelegate::startDisplayTimer() {
    // A timer of the main thread's event loop also fires while a menu is open or the window is
    // being resized, so the clock never freezes.
    ticker = new QTimer(this);
    ticker->setInterval(250);
    connect(ticker, &QTimer::timeout, this, &AppDelegate::tick);
    ticker->start();
}

void AppDelegate::tick() {
    if (!presenter)
        return;
    PresenterView* view = presenter->content;
    const std::optional<TalkPace::Reading> reading = paceReading();
    const TalkTimer::Display shown = talkTimer.display(reading);
    if (reading)
        view->paceLine->setReading(*reading);
    view->timerLabel->setText(shown.time);
    LabelStyle::setTextColour(view->timerLabel, shown.colour);
    view->timerCaption->setText(shown.caption);
    view->pauseButton->setText(shown.pauseTitle);
    view->clockLabel->setText(TalkTimer::formatClock(QDateTime::currentDateTime()));
    updateOntime(view);
    keepAudienceOnScreen();
}

void AppDelegate::toggleTimerPause() {
    talkTimer.togglePause();
    tick();
}

void AppDelegate::resetTimer() {
    talkTimer.reset(presentation.isPresenting);
    tick();
}

AudienceWindow* AppDelegate::audienceWindow() {
    if (!audience) {
        audience = new AudienceWindow(&presentation);
        audience->setAttribute(Qt::WA_QuitOnClose, false);
        audience->setWindowTitle(applicationTitle);
        connect(audience, &AudienceWindow::stepRequested, this, &AppDelegate::audienceClicked);
    }
    return audience;
}

void AppDelegate::audienceClicked(int step) {
    jumpBuffer.clear();
    presentation.goTo(notes.step(presentation.index, step));
    refresh();
}

void AppDelegate::placeAudienceWindow(QScreen* screen, bool windowed) {
    if (!screen)
        return;
    if (windowed)
        audienceWindow()->placeWindowed(screen, L10n::lookup("Publikum (Testfenster)"));
    else
        audienceWindow()->placeFullScreen(screen);
}

void AppDelegate::open(const QUrl& url, std::function<void(bool)> opened) {
    ++opens;
    load(url, QString(), std::move(opened));
}

void AppDelegate::load(const QUrl& url, const QString& password, std::function<void(bool)> opened) {
    presentation.load(
        url,
        [this, url, attempt = opens, opened = std::move(opened)](OpenStatus status) {
            loaded(url, status, attempt, opened);
        },
        password);
    // The status line says what is loading.
    refresh();
}

void AppDelegate::whenLoaded(std::function<void()> then) {
    loadWaiters.append(std::move(then));
    loadEnded();
}

void AppDelegate::loadEnded() {
    // A waiter may start the next load; the rest wait for that one too.
    while (presentation.loading().isEmpty() && !loadWaiters.isEmpty())
        loadWaiters.takeFirst()();
}

void AppDelegate::loaded(const QUrl& url, OpenStatus status, quint64 attempt,
                         const std::function<void(bool)>& opened) {
    const QString name = QFileInfo(url.path()).fileName();
    if (status != OpenStatus::ok) {
        const bool locked =
            status == OpenStatus::needsPassword || status == OpenStatus::wrongPassword;
        const std::optional<QString> typed =
            locked ? askPassword(name, status == OpenStatus::wrongPassword) : std::nullopt;
        // The prompt waits for the speaker, who may have opened another file meanwhile.
        if (attempt != opens)
            return;
        if (typed) {
            load(url, *typed, opened);
            return;
        }
        refresh();
        reportProblem(openFailure(status, name), url.toLocalFile());
        if (opened)
            opened(false);
        loadEnded();
        return;
    }
    // Only now: a file that does not open leaves the talk running on the old deck.
    if (presentation.isPresenting)
        stopPresentation();
    applyPlan(deckPlan());
    updateTitle();
    reloadWatcher->watch(url.toLocalFile());
    sidecarWatcher->watch(url.toLocalFile());
    unreadableChange.clear();
    // The window system shows the document's icon and path with the title where it can.
    if (QWidget* window = presenterWindow())
        window->setWindowFilePath(url.toLocalFile());
    jumpBuffer.clear();
    resetTimer();
    refresh();
    if (opened)
        opened(true);
    loadEnded();
}

QString AppDelegate::openFailure(OpenStatus status, const QString& name) {
    switch (status) {
    case OpenStatus::notFound:
        return L10n::format("Datei nicht gefunden: %@", {name});
    case OpenStatus::permissionDenied:
        return L10n::format("Keine Berechtigung, %@ zu lesen", {name});
    case OpenStatus::notPdf:
        return L10n::format("%@ ist keine PDF-Datei", {name});
    case OpenStatus::needsPassword:
        return L10n::format("%@ ist durch ein Passwort geschützt", {name});
    case OpenStatus::wrongPassword:
        return L10n::format("Falsches Passwort für %@", {name});
    case OpenStatus::damaged:
    case OpenStatus::ok:
        break;
    }
    return L10n::format("%@ ist beschädigt und kann nicht geöffnet werden", {name});
}

std::optional<QString> AppDelegate::askPassword(const QString& name, bool again) {
    if (Automation::isActive()) {
        Automation::printEvent({{QStringLiteral("event"), QStringLiteral("password")},
                                {QStringLiteral("informative"), name},
                                {QStringLiteral("again"), again}});
        // A script has one answer; asking it again would never end.
        const QString answer = Preferences::text(QStringLiteral("automationPassword"));
        return again || answer.isEmpty() ? std::nullopt : std::optional<QString>(answer);
    }
    QInputDialog dialog(presenterWindow());
    dialog.setWindowTitle(applicationTitle);
    dialog.setLabelText(
        again ? L10n::format("Falsches Passwort für %@. Bitte noch einmal:", {name})
              : L10n::format("%@ ist durch ein Passwort geschützt. Passwort:", {name}));
    // The file name is shown as written, never read as markup.
    for (QLabel* label : dialog.findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
    dialog.setTextEchoMode(QLineEdit::Password);
    dialog.setInputMethodHints(Qt::ImhSensitiveData | Qt::ImhNoPredictiveText);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

void AppDelegate::loadNotes() {
    const QString path = presentation.url.toLocalFile();
    notes.load(path, presentation.pageLabels);
    const QString name = QFileInfo(Sidecar::pathFor(path)).fileName();
    const bool unreadable = notes.sidecarStatus() == Sidecar::Reading::unreadable;
    // Once per file: a reload of the same deck does not say it again.
    if (unreadable && unreadableNotes != name)
        std::fprintf(stderr, "talvane-orvello: %s\n",
                     qPrintable(L10n::format("Notizdatei %@ nicht lesbar – ohne Notizen", {name})));
    unreadableNotes = unreadable ? name : QString();
}

void AppDelegate::applyNotesSide() {
    presentation.setNotesSide(PageSplit::resolve(Preferences::text(MenuBar::notesSideKey),
                                                 presentation.pageSizes,
                                                 notes.sidecar().beamerNotePosition));
}

void AppDelegate::chooseNotesSide(const QString& choice) {
    Preferences::setValue(MenuBar::notesSideKey, choice);
    applyNotesSide();
    presentation.notify();
}

void AppDelegate::reloadDeck(std::function<void(bool)> finished) {
    // A load under way goes first; when it leaves this deck open (a reload, or another file that
    // failed), the change is read after it.
    if (!presentation.loading().isEmpty()) {
        whenLoaded([this, deck = presentation.url, finished = std::move(finished)] {
            if (presentation.url == deck)
                reloadDeck(finished);
        });
        return;
    }
    presentation.load(
        presentation.url,
        [this, finished = std::move(finished)](OpenStatus status) {
            const bool reloaded = status == OpenStatus::ok;
            if (reloaded)
                unreadableChange.clear();
            // Also when it failed: the status line no longer says that it loads.
            presentation.notify();
            finished(reloaded);
            loadEnded();
        },
        QString(), Presentation::Place::kept);
    refresh();
}

void AppDelegate::openDocument() {
    const QString path = QFileDialog::getOpenFileName(presenterWindow(), QString(), QString(),
                                                      QStringLiteral("PDF (*.pdf *.PDF)"));
    if (!path.isEmpty())
        open(QUrl::fromLocalFile(path));
}

void AppDelegate::refresh() {
    if (!presenter)
        return;
    PresenterView* view = presenter->content;
    view->warning = audienceOffScreen()
                        ? L10n::lookup("● Publikum sieht nichts: Publikumsfenster nicht sichtbar")
                        : QString();
    view->note = heldOffer.isEmpty()
                     ? QString()
                     : L10n::lookup("Timer gefunden – Auswahl nach dem Vortrag oder im Menü "
                                    "„Ontime / Stagetimer“");
    view->setNotice(notice());
    // The projector first: its repaint is then queued, painted and sent to the display before
    // the console's.
    SlideView* audienceSlide = audienceWindow()->slide;
    const std::optional<qint64> page =
        presentation.pageCount < 1 ? std::nullopt : std::optional<qint64>(presentation.index);
    if (audienceSlide->needsRefreshFor(page)) {
        audienceSlide->setPage(page);
        audienceSlide->refresh();
    }
    if (audienceSlide->blank() != presentation.blank) {
        audienceSlide->setBlank(presentation.blank);
        audienceSlide->update();
    }
    view->update(jumpBuffer);
    // The projector's images are prepared before its window shows and before each step.
    if (SlideRenderer* renderer = presentation.renderer.get()) {
        const auto [screen, windowed] = outputScreen();
        renderer->planAudience(
            presentation.index,
            presentation.geometry(audienceWindow()->slidePixelsOn(screen, windowed)).drawn,
            presentation.isPresenting,
            [this](qint64 from, int direction) { return notes.step(from, direction); });
    }
}

void AppDelegate::startPresentation() {
    if (presentation.pageCount <= 0)
        return;
    audienceLostOutput = false;
    const auto [screen, windowed] = outputScreen();
    presentation.isPresenting = true;
    presentation.notify();
    talkTimer.startIfNeverRun();
    sleepActivity.inhibit(applicationTitle, L10n::lookup("Präsentation läuft"));
    refresh();
    showAudienceWhenReady(screen, windowed);
}

void AppDelegate::showAudienceWhenReady(QScreen* screen, bool windowed) {
    // Never a picture of another size in front of the audience: the window appears with the
    // exact slide, or black after a while if drawing takes that long.
    const quint64 attempt = ++audienceShowing;
    // The output is decided again when the window appears: the speaker may have chosen another.
    const auto show = [self = QPointer<AppDelegate>(this), attempt](const QImage& = {}) {
        if (!self || self->audienceShowing != attempt || !self->presentation.isPresenting)
            return;
        ++self->audienceShowing;
        if (self->audience && self->audience->isVisible())
            return;
        self->showAudience();
    };
    SlideRenderer* renderer = presentation.renderer.get();
    const QSize pixels =
        presentation.geometry(audienceWindow()->slidePixelsOn(screen, windowed)).drawn;
    if (screen && !windowed)
        audienceWindow()->placeFullScreen(screen, false);
    QTimer::singleShot(1000, this, [show] { show(); });
    if (renderer && !pixels.isEmpty())
        renderer->request({presentation.index, pixels.width(), pixels.height()}, show,
                          RenderPriority::audienceView, &audienceShowing);
    else
        show();
}

void AppDelegate::stopPresentation() {
    ++audienceShowing;
    if (audience)
        audience->hide();
    audienceLostOutput = false;
    presentation.isPresenting = false;
    presentation.notify();
    sleepActivity.release();
    audienceHiddenTicks = 0;
    refresh();
    offerHeldTimers();
}

bool AppDelegate::audienceOffScreen() const {
    // Before it is shown the window waits for its exact slide; that is no loss to repair.
    return presentation.isPresenting && audience && audience->isVisible() && !audienceExposed();
}

bool AppDelegate::audienceExposed() const {
    return audience && audience->windowHandle() && audience->windowHandle()->isExposed();
}

void AppDelegate::keepAudienceOnScreen() {
    const bool hidden = audienceOffScreen();
    const bool warned = !presenter->content->warning.isEmpty();
    if (!hidden) {
        audienceHiddenTicks = 0;
        if (warned)
            refresh();
        return;
    }
    if (!warned)
        refresh();
    // Half a second off screen is no passing state; a restore gets two seconds to land.
    if (++audienceHiddenTicks < 2)
        return;
    audienceHiddenTicks = -8;
    // Qt still counts a window unmapped from outside as shown: hide it first, so showing maps it.
    audience->hide();
    if (audience->windowed) {
        audience->showNormal();
        audience->raise();
    } else {
        const auto [screen, windowed] = outputScreen();
        placeAudienceWindow(screen, windowed);
    }
    presenterWindow()->raise();
    presenterWindow()->activateWindow();
}

bool AppDelegate::mayQuit() {
    // Quitting closes the windows, which would ask a second time.
    if (!presentation.isPresenting || quitConfirmed)
        return true;
    const QString message = L10n::lookup("Präsentation läuft – wirklich beenden?");
    if (Automation::isActive()) {
        Automation::printEvent({{QStringLiteral("event"), QStringLiteral("confirm")},
                                {QStringLiteral("message"), message}});
        return false;
    }
    QMessageBox box(QMessageBox::Question, applicationTitle, message, QMessageBox::NoButton,
                    presenterWindow());
    QPushButton* keep = box.addButton(L10n::lookup("Weiter präsentieren"), QMessageBox::RejectRole);
    box.addButton(L10n::lookup("Beenden"), QMessageBox::DestructiveRole);
    box.setDefaultButton(keep);
    box.setEscapeButton(keep);
    askingToQuit = true;
    box.exec();
    askingToQuit = false;
    quitConfirmed = box.clickedButton() != keep;
    return quitConfirmed;
}

void AppDelegate::quitAsked() {
    if (mayQuit())
        QCoreApplication::quit();
}

void AppDelegate::togglePresentation() {
    if (presentation.isPresenting)
        stopPresentation();
    else
        startPresentation();
}

void AppDelegate::startFromBeginning() {
    presentation.goTo(0);
    if (!presentation.isPresenting)
        startPresentation();
    refresh();
}

void AppDelegate::nextSlide() {
    jumpBuffer.clear();
    presentation.goTo(notes.step(presentation.index, +1));
    refresh();
}

void AppDelegate::previousSlide() {
    jumpBuffer.clear();
    presentation.goTo(notes.step(presentation.index, -1));
    refresh();
}

void AppDelegate::firstSlide() {
    goToSlide(0);
}

void AppDelegate::lastSlide() {
    goToSlide(presentation.pageCount - 1);
}

void AppDelegate::goToSlide(qint64 index) {
    jumpBuffer.clear();
    presentation.goTo(index);
    refresh();
}

// The blanking toggles leave the typed number alone; the deck's observer refreshes the screens.
void AppDelegate::toggleBlack() {
    presentation.blank = presentation.blank == Blank::black ? Blank::none : Blank::black;
    presentation.notify();
}

void AppDelegate::toggleWhite() {
    presentation.blank = presentation.blank == Blank::white ? Blank::none : Blank::white;
    presentation.notify();
}

void AppDelegate::updateTitle() {
    if (!presenter)
        return;
    presenterWindow()->setWindowTitle(presentation.pageCount > 0
                                          ? QFileInfo(presentation.url.path()).completeBaseName()
                                          : applicationTitle);
}

void AppDelegate::showAlert(const QString& message, const QString& informative) {
    if (Automation::isActive()) {
        Automation::printEvent({{QStringLiteral("event"), QStringLiteral("alert")},
                                {QStringLiteral("message"), message},
                                {QStringLiteral("informative"), informative}});
        return;
    }
    QMessageBox box(QMessageBox::Warning, applicationTitle, message, QMessageBox::Ok,
                    presenterWindow());
    // The informative text names a file: shown as written, never guessed as HTML.
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(informative.isEmpty() ? QString()
                                                 : Qt::convertFromPlainText(informative));
    box.exec();
}

void AppDelegate::startAutomationIfConfigured() {
    const QString scriptPath = Preferences::text(QStringLiteral("automationScript"));
    if (scriptPath.isEmpty())
        return;
    automation = new Automation(*this, scriptPath);
    automation->start();
}

QWidget* AppDelegate::windowForAutomation(const QString& which) const {
    if (which == QLatin1String("presenter"))
        return presenterWindow();
    if (which == QLatin1String("audience"))
        return audience;
    if (which == QLatin1String("ontime-setup"))
        return ontimeSetup ? ontimeSetup->window() : nullptr;
    if (which == QLatin1String("stagetimer-setup"))
        return stagetimerSetup ? stagetimerSetup->window() : nullptr;
    if (which == QLatin1String("pace-dialog"))
        return paceWindow;
    return nullptr;
}

QJsonObject AppDelegate::stateSnapshot() const {
    QJsonArray recent;
    for (const QUrl& url : RecentFiles::all())
        recent.append(url.toLocalFile());
    QJsonObject audienceState{{QStringLiteral("visible"), bool(audience && audience->isVisible())},
                              {QStringLiteral("exposed"), audienceExposed()},
                              {QStringLiteral("windowed"), false},
                              {QStringLiteral("screen"), QString()},
                              {QStringLiteral("x"), 0},
                              {QStringLiteral("y"), 0},
                              {QStringLiteral("width"), 0},
                              {QStringLiteral("height"), 0}};
    if (audience) {
        const QRect frame = audience->geometry();
        audienceState[QStringLiteral("windowed")] = audience->windowed;
        // The native window, for tests that act on it from outside as a window manager would.
        audienceState[QStringLiteral("windowId")] = QString::number(audience->winId());
        // Under Wayland the screen Qt reports follows the outputs the compositor showed it on.
        audienceState[QStringLiteral("screen")] = OutputScreens::nameOf(audience->screen());
        audienceState[QStringLiteral("x")] = frame.x();
        audienceState[QStringLiteral("y")] = frame.y();
        audienceState[QStringLiteral("width")] = frame.width();
        audienceState[QStringLiteral("height")] = frame.height();
    }
    QJsonObject state{
        {QStringLiteral("pageCount"), presentation.pageCount},
        {QStringLiteral("index"), presentation.index},
        {QStringLiteral("aspect"), presentation.pageAspect},
        {QStringLiteral("audienceAspect"), presentation.aspect},
        {QStringLiteral("notes"), notesSnapshot()},
        {QStringLiteral("pace"), paceSnapshot()},
        {QStringLiteral("blank"), blankName(presentation.blank)},
        {QStringLiteral("presenting"), presentation.isPresenting},
        {QStringLiteral("jumpBuffer"), jumpBuffer},
        {QStringLiteral("title"), presenter ? presenterWindow()->windowTitle() : QString()},
        {QStringLiteral("url"), presentation.url.toString()},
        {QStringLiteral("audience"), audienceState},
        {QStringLiteral("focus"), focusName()},
        {QStringLiteral("presenterScreen"),
         presenter ? OutputScreens::nameOf(presenterWindow()->screen()) : QString()},
        {QStringLiteral("recent"), recent},
        {QStringLiteral("language"), L10n::current()}};
    if (presenter) {
        const PresenterView* view = presenter->content;
        state.insert(QStringLiteral("status"), view->statusLabel->text());
        state.insert(QStringLiteral("statusColor"), colourName(view->statusLabel));
        state.insert(QStringLiteral("currentLabel"), view->currentLabel->text());
        state.insert(QStringLiteral("nextLabel"), view->nextLabel->text());
        state.insert(QStringLiteral("startButton"), view->startButton->text());
        state.insert(QStringLiteral("blackButton"), view->blackButton->text());
        state.insert(QStringLiteral("pauseButton"), view->pauseButton->text());
        state.insert(QStringLiteral("timer"), view->timerLabel->text());
        state.insert(QStringLiteral("timerCaption"), view->timerCaption->text());
        state.insert(QStringLiteral("timerColor"), colourName(view->timerLabel));
        state.insert(QStringLiteral("clock"), view->clockLabel->text());
        state.insert(QStringLiteral("emptyState"), view->emptyLabel->isVisibleTo(view));
        state.insert(QStringLiteral("columns"), view->sidebar->columns());
        state.insert(QStringLiteral("sidebarWidth"),
                     view->sidebar->isVisibleTo(view) ? view->sidebar->width() : 0);
        state.insert(QStringLiteral("layoutSidebar"), view->sidebarFraction());
        state.insert(QStringLiteral("layoutSplit"), view->slideSplit());
        state.insert(QStringLiteral("selectedThumbnail"), view->sidebar->selectedIndex());
        state.insert(QStringLiteral("shortcutOverlay"), shortcutOverlay->isVisible());
        state.insert(QStringLiteral("notesShown"), view->notesPane->isVisibleTo(view));
        state.insert(QStringLiteral("notesFontSize"), view->notesPane->fontSize());
    }
    const QJsonObject timers = timersSnapshot();
    for (auto entry = timers.begin(); entry != timers.end(); ++entry)
        state.insert(entry.key(), entry.value());
    return state;
}

QJsonObject AppDelegate::notesSnapshot() const {
    if (presentation.pageCount < 1)
        return {{QStringLiteral("source"), QJsonValue()}, {QStringLiteral("text"), QString()}};
    const qint64 page = presentation.index;
    const QList<DeckNotes::Note> written = notes.notesFor(page, presentation.annotationNotes(page));
    // The notes half of a notes page says its part after the written notes.
    QStringList texts{DeckNotes::plainText(written), presentation.notesPageText(page)};
    texts.removeAll(QString());
    const QJsonValue source = !written.isEmpty() ? DeckNotes::sourceName(written.first().source)
                              : presentation.notesSide != NotesSide::none
                                  ? QJsonValue(PageSplit::name(presentation.notesSide))
                                  : QJsonValue();
    return {{QStringLiteral("source"), source},
            {QStringLiteral("text"), texts.join(QStringLiteral("\n\n"))}};
}

QJsonValue AppDelegate::focusName() const {
    const QWindow* focused = QGuiApplication::focusWindow();
    if (!focused)
        return QJsonValue::Null;
    if (presenter && focused == presenterWindow()->windowHandle())
        return QStringLiteral("presenter");
    if (audience && focused == audience->windowHandle())
        return QStringLiteral("audience");
    return QJsonValue::Null;
}

QJsonObject AppDelegate::screensSnapshot() const {
    QJsonArray screens;
    for (const OutputScreens::ScreenInfo& screen : OutputScreens::describeAll())
        screens.append(QJsonObject{{QStringLiteral("name"), screen.name},
                                   {QStringLiteral("x"), screen.geometry.x()},
                                   {QStringLiteral("y"), screen.geometry.y()},
                                   {QStringLiteral("width"), screen.geometry.width()},
                                   {QStringLiteral("height"), screen.geometry.height()},
                                   {QStringLiteral("primary"), screen.primary}});
    QJsonArray popup;
    int selected = -1;
    QString caption;
    if (presenter) {
        const PresenterView* view = presenter->content;
        for (int i = 0; i < view->screenPopup->count(); ++i)
            popup.append(view->screenPopup->itemText(i));
        selected = view->screenPopup->currentIndex();
        caption = view->screenCaption->text();
    }
    return {{QStringLiteral("screens"), screens},
            {QStringLiteral("popup"), popup},
            {QStringLiteral("selected"), selected},
            {QStringLiteral("caption"), caption},
            {QStringLiteral("setting"), Preferences::text(OutputScreens::settingKey)}};
}
