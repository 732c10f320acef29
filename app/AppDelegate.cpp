#include "app/AppDelegate.h"

#include "app/Automation.h"
#include "app/KeyMonitor.h"
#include "app/MenuBar.h"
#include "app/OutputScreens.h"
#include "app/ReloadWatcher.h"
#include "base/L10n.h"
#include "base/LabelStyle.h"
#include "base/Preferences.h"
#include "base/RecentFiles.h"
#include "document/SlideView.h"
#include "ontime/OntimeSetup.h"
#include "stagetimer/StagetimerSetup.h"
#include "ui/AudienceWindow.h"
#include "ui/PresenterView.h"
#include "ui/PresenterWindow.h"
#include "ui/ThumbnailSidebar.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileOpenEvent>
#include <QGuiApplication>
#include <QJsonArray>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTextDocument>
#include <QTimer>
#include <QWindow>
#include <algorithm>

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
    QWidget* presenterWindow() const override { return controller.presenterWindow(); }
    QWidget* audienceWindow() const override { return controller.audience; }

private:
    AppDelegate& controller;
};

AppDelegate::AppDelegate() : keys(std::make_unique<Keys>(*this)) {
    qApp->installEventFilter(this);
    reloadWatcher = new ReloadWatcher([this] { return reloadDeck(); },
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
    for (const QUrl& url : urls) {
        if (QFileInfo(url.path()).suffix().toLower() != QLatin1String("pdf"))
            continue;
        if (!presenter)
            pendingOpen = url;
        else
            open(url);
        return;
    }
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
        open(url);
    }
    refresh();
    tick();
    startAutomationIfConfigured();
}

void AppDelegate::createPresenterWindow() {
    presenter = std::make_unique<PresenterWindowController>(&presentation);
    PresenterView* view = presenter->content;
    connect(view->prevButton, &QPushButton::clicked, this, &AppDelegate::previousSlide);
    connect(view->nextButton, &QPushButton::clicked, this, &AppDelegate::nextSlide);
    connect(view->startButton, &QPushButton::clicked, this, &AppDelegate::togglePresentation);
    connect(view->blackButton, &QPushButton::clicked, this, &AppDelegate::toggleBlack);
    connect(view->pauseButton, &QPushButton::clicked, this, &AppDelegate::toggleTimerPause);
    connect(view->resetButton, &QPushButton::clicked, this, &AppDelegate::resetTimer);
    connect(view->openButton, &QPushButton::clicked, this, &AppDelegate::openDocument);
    view->openDroppedFile = [self = QPointer<AppDelegate>(this)](const QUrl& url) {
        return self && self->open(url);
    };
    view->sidebar->onSlideClicked = [self = QPointer<AppDelegate>(this)](qint64 index) {
        if (self)
            self->goToSlide(index);
    };
    connect(view->screenPopup, &QComboBox::activated, this, &AppDelegate::screenChosen);

    // The menu bar sits inside the window here; a window without a saved frame grows by its
    // height, so that the view keeps its intended size.
    QMainWindow* window = presenter->window();
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
    commands.ask = [self](const QString& message, const QStringList& buttons) {
        if (Automation::isActive()) {
            Automation::printEvent(
                {{QStringLiteral("event"), QStringLiteral("alert")},
                 {QStringLiteral("message"), message},
                 {QStringLiteral("buttons"), QJsonArray::fromStringList(buttons)}});
            return 0;
        }
        QMessageBox box(QMessageBox::Information, message, message, QMessageBox::NoButton,
                        self ? self->presenterWindow() : nullptr);
        QList<QAbstractButton*> choices;
        for (const QString& title : buttons)
            choices.append(box.addButton(title, choices.isEmpty() ? QMessageBox::AcceptRole
                                                                  : QMessageBox::RejectRole));
        box.setDefaultButton(static_cast<QPushButton*>(choices.first()));
        box.exec();
        return int(choices.indexOf(box.clickedButton()));
    };
    commands.relaunch = &MenuBar::relaunchExecutable;
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
    if (!unreadableChange.isEmpty())
        return L10n::format("Geänderte Datei %@ nicht lesbar – die bisherige Fassung bleibt",
                            {unreadableChange});
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
    const TalkTimer::Display shown = talkTimer.display();
    view->timerLabel->setText(shown.time);
    LabelStyle::setTextColour(view->timerLabel, shown.colour);
    view->timerCaption->setText(shown.caption);
    view->pauseButton->setText(shown.pauseTitle);
    view->clockLabel->setText(TalkTimer::formatClock(QDateTime::currentDateTime()));
    updateOntime(view);
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
    presentation.goTo(presentation.index + step);
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

bool AppDelegate::open(const QUrl& url) {
    if (presentation.isPresenting)
        stopPresentation();
    OpenStatus status = OpenStatus::ok;
    if (!presentation.open(url, &status)) {
        if (status == OpenStatus::needsPassword)
            return openPasswordProtected(url);
        showAlert(L10n::lookup("PDF kann nicht geöffnet werden"), QFileInfo(url.path()).fileName());
        return false;
    }
    updateTitle();
    reloadWatcher->watch(url.toLocalFile());
    unreadableChange.clear();
    // The window system shows the document's icon and path with the title where it can.
    if (QWidget* window = presenterWindow())
        window->setWindowFilePath(url.toLocalFile());
    jumpBuffer.clear();
    resetTimer();
    refresh();
    return true;
}

bool AppDelegate::reloadDeck() {
    const qint64 slide = presentation.index;
    const Blank blank = presentation.blank;
    reloading = true;
    const bool opened = presentation.open(presentation.url);
    reloading = false;
    if (!opened)
        return false;
    presentation.index = std::clamp<qint64>(slide, 0, presentation.pageCount - 1);
    presentation.blank = blank;
    unreadableChange.clear();
    presentation.notify();
    return true;
}

bool AppDelegate::openPasswordProtected(const QUrl& url) {
    // There is no password prompt: the file is refused, with the reason.
    showAlert(L10n::lookup("PDF ist passwortgeschützt"), QFileInfo(url.path()).fileName());
    return false;
}

void AppDelegate::openDocument() {
    const QString path = QFileDialog::getOpenFileName(presenterWindow(), QString(), QString(),
                                                      QStringLiteral("PDF (*.pdf *.PDF)"));
    if (!path.isEmpty())
        open(QUrl::fromLocalFile(path));
}

void AppDelegate::refresh() {
    if (!presenter || reloading)
        return;
    presenter->content->setNotice(notice());
    presenter->content->update(jumpBuffer);
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
    // The projector's images are prepared before its window shows and before each step.
    if (SlideRenderer* renderer = presentation.renderer.get()) {
        const auto [screen, windowed] = outputScreen();
        renderer->planAudience(presentation.index,
                               audienceWindow()->slidePixelsOn(screen, windowed),
                               presentation.isPresenting);
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
    const QSize pixels = audienceWindow()->slidePixelsOn(screen, windowed);
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
    refresh();
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
    presentation.goTo(presentation.index + 1);
    refresh();
}

void AppDelegate::previousSlide() {
    jumpBuffer.clear();
    presentation.goTo(presentation.index - 1);
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
    QMessageBox box(QMessageBox::Warning, message, message, QMessageBox::Ok, presenterWindow());
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
    return nullptr;
}

QJsonObject AppDelegate::stateSnapshot() const {
    QJsonArray recent;
    for (const QUrl& url : RecentFiles::all())
        recent.append(url.toLocalFile());
    QJsonObject audienceState{{QStringLiteral("visible"), bool(audience && audience->isVisible())},
                              {QStringLiteral("windowed"), false},
                              {QStringLiteral("screen"), QString()},
                              {QStringLiteral("x"), 0},
                              {QStringLiteral("y"), 0},
                              {QStringLiteral("width"), 0},
                              {QStringLiteral("height"), 0}};
    if (audience) {
        const QRect frame = audience->geometry();
        audienceState[QStringLiteral("windowed")] = audience->windowed;
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
        {QStringLiteral("aspect"), presentation.aspect},
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
    }
    const QJsonObject timers = timersSnapshot();
    for (auto entry = timers.begin(); entry != timers.end(); ++entry)
        state.insert(entry.key(), entry.value());
    return state;
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
