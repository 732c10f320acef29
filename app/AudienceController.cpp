#include "app/AudienceController.h"

#include "base/L10n.h"
#include "base/Preferences.h"
#include "document/Deck.h"
#include "show/SlideShow.h"
#include "ui/audience/AudienceWindow.h"
#include "ui/common/SlideView.h"
#include "ui/console/PresenterView.h"
#include "ui/console/PresenterWindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWindow>

AudienceController::AudienceController(Deck& deck, SlideShow& show, QObject* parent)
    : QObject(parent), deck(deck), slideShow(show), audience(new AudienceWindow(&deck)) {
    audience->setAttribute(Qt::WA_QuitOnClose, false);
    audience->setWindowTitle(title(false));
    connect(audience, &AudienceWindow::stepRequested, this, &AudienceController::stepRequested);
    connect(audience, &AudienceWindow::closeRequested, &show, &SlideShow::stop);
    connect(&show, &SlideShow::presentingChanged, this, &AudienceController::presentingChanged);
}

AudienceController::~AudienceController() {
    delete audience;
}

void AudienceController::watchScreens() {
    screenChanges = new OutputScreens::ChangeNotifier(this);
    connect(screenChanges, &OutputScreens::ChangeNotifier::screensChanged, this,
            &AudienceController::screensChangedNow);
    connect(qApp, &QGuiApplication::screenRemoved, this, &AudienceController::screenRemoved);
    connect(qApp, &QGuiApplication::focusWindowChanged, this,
            &AudienceController::focusWindowChanged);
    // The chooser marks the console's screen, and the automatic choice avoids it. Under Wayland
    // the console learns its output only once the compositor has shown it, maybe after F5.
    connect(console->windowHandle(), &QWindow::screenChanged, screenChanges,
            &OutputScreens::ChangeNotifier::noteChange);
}

void AudienceController::refresh() {
    SlideView* slide = audience->slide;
    const std::optional<qint64> page =
        slideShow.pageCount() < 1 ? std::nullopt : std::optional<qint64>(slideShow.page());
    if (slide->needsRefreshFor(page)) {
        slide->setPage(page);
        slide->refresh();
    }
    if (slide->blank() != slideShow.blank()) {
        slide->setBlank(slideShow.blank());
        slide->update();
    }
}

QSize AudienceController::slidePixels() const {
    const auto [screen, windowed] = outputScreen();
    return deck.geometry(audience->slidePixelsOn(screen, windowed, windowFrame(screen).size()))
        .drawn;
}

QString AudienceController::title(bool windowed) const {
    const QString mode =
        !windowed ? L10n::lookup("Publikum (Vollbild)")
        : Preferences::text(OutputScreens::settingKey) == OutputScreens::testWindowedChoice
            ? L10n::lookup("Publikum (Testfenster)")
            : L10n::lookup("Publikum");
    return QStringLiteral("Talvane Orvello – ") + mode;
}

QRect AudienceController::windowFrame(QScreen* screen) const {
    if (!screen)
        return {};
    // Where the speaker put it last, while that is still on a screen.
    const QRect remembered = AudienceWindow::storedFrame();
    if (remembered.isValid()) {
        for (const QScreen* candidate : QGuiApplication::screens()) {
            if (candidate->availableGeometry().contains(remembered.center()))
                return remembered;
        }
    }
    const bool consoleShown = console && console->isVisible();
    const auto* presenter = qobject_cast<const PresenterWindow*>(console.data());
    return OutputScreens::windowFrame(
        screen->availableGeometry(), consoleShown ? console->frameGeometry() : QRect(),
        consoleShown && presenter ? presenter->view()->currentSlideArea() : QRect(), deck.aspect());
}

std::pair<QScreen*, bool> AudienceController::outputScreen() const {
    const QList<QScreen*> systemScreens = QGuiApplication::screens();
    const QList<OutputScreens::ScreenInfo> screens = OutputScreens::describeAll();
    const int windowScreen = console ? OutputScreens::indexOf(console->screen()) : -1;
    const OutputScreens::Choice choice =
        OutputScreens::outputScreen(Preferences::text(OutputScreens::settingKey), screens,
                                    OutputScreens::presenterScreen(windowScreen, screens));
    return {choice.screen >= 0 ? systemScreens.at(choice.screen) : nullptr, choice.windowed};
}

AudienceController::Chooser AudienceController::chooser() const {
    const QList<OutputScreens::ScreenInfo> screens = OutputScreens::describeAll();
    const int presenterScreen = OutputScreens::presenterScreen(
        console ? OutputScreens::indexOf(console->screen()) : -1, screens);
    const QString setting = Preferences::text(OutputScreens::settingKey);
    Chooser chooser;
    chooser.items = OutputScreens::chooserItems(screens, presenterScreen);
    chooser.selected = OutputScreens::selectedItem(chooser.items, setting);
    chooser.caption = OutputScreens::caption(
        OutputScreens::outputScreen(setting, screens, presenterScreen), screens, setting);
    return chooser;
}

void AudienceController::choose(const QString& value) {
    Preferences::setValue(OutputScreens::settingKey, value);
    if (slideShow.isPresenting())
        show();
    else
        audience->setWindowTitle(title(outputScreen().second));
    emit screensChanged();
}

void AudienceController::presentingChanged(bool presenting) {
    lostOutput = false;
    hiddenTicks = 0;
    if (presenting) {
        showWhenReady();
        return;
    }
    ++showing;
    audience->hide();
}

void AudienceController::showWhenReady() {
    // Never a picture of another size in front of the audience: the window appears with the
    // exact slide, or black after a while if drawing takes that long.
    const quint64 attempt = ++showing;
    // The output is decided again when the window appears: the speaker may have chosen another.
    const auto appear = [self = QPointer<AudienceController>(this), attempt](const QImage& = {}) {
        if (!self || self->showing != attempt || !self->slideShow.isPresenting())
            return;
        ++self->showing;
        if (self->audience->isVisible())
            return;
        self->show();
    };
    const auto [screen, windowed] = outputScreen();
    const QSize pixels =
        deck.geometry(audience->slidePixelsOn(screen, windowed, windowFrame(screen).size())).drawn;
    if (screen && !windowed)
        audience->placeFullScreen(screen, false);
    QTimer::singleShot(1000, this, [appear] { appear(); });
    if (SlideRenderer* renderer = deck.renderer(); renderer && !pixels.isEmpty())
        renderer->request({slideShow.page(), pixels.width(), pixels.height()}, appear,
                          RenderPriority::audienceView, &showing);
    else
        appear();
}

void AudienceController::show() {
    lostOutput = false;
    const auto [screen, windowed] = outputScreen();
    place(screen, windowed);
    giveKeysToConsole();
}

void AudienceController::place(QScreen* screen, bool windowed) {
    if (!screen)
        return;
    if (windowed) {
        audience->placeWindowed(screen, title(true), windowFrame(screen));
        return;
    }
    audience->setWindowTitle(title(false));
    audience->placeFullScreen(screen);
}

void AudienceController::giveKeysToConsole() {
    // A window of its own never takes the keys, and it stays in front of the console.
    if (!console || audience->windowed)
        return;
    console->raise();
    console->activateWindow();
}

void AudienceController::screenRemoved(QScreen* screen) {
    // Hidden before Qt moves it: a compositor leaves a window whose output went away as a stray
    // frame over the console.
    if (audience->isVisible() && !audience->windowed && audience->screen() == screen) {
        audience->hide();
        lostOutput = true;
    }
}

void AudienceController::screensChangedNow() {
    // Qt moves a window off a screen that went away but keeps its old frame; a window of its own
    // is left where the speaker put it, until the audience has a screen of its own again.
    if (slideShow.isPresenting() && console &&
        !(audience->windowed && audience->isVisible() && outputScreen().second)) {
        // On Wayland a full-screen window over the console's output covers it and takes its
        // keys: after an unplug, it waits for an output of its own.
        const bool onlyTheConsoleLeft = outputScreen().first == console->screen();
        if (!lostOutput || !onlyTheConsoleLeft ||
            !QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
            show();
    }
    emit screensChanged();
}

void AudienceController::focusWindowChanged(QWindow* window) {
    // Wayland compositors give the keys to every newly shown window, whatever it asks for.
    if (window && window == audience->windowHandle() && console)
        console->activateWindow();
}

QString AudienceController::notice() const {
    if (slideShow.isPresenting() && lostOutput)
        return L10n::lookup("Ausgabe getrennt – Publikumsfenster wartet auf den Bildschirm");
    return QString();
}

QString AudienceController::warning() {
    warned = isOffScreen();
    return warned ? L10n::lookup("● Publikum sieht nichts: Publikumsfenster nicht sichtbar")
                  : QString();
}

bool AudienceController::isOffScreen() const {
    // Before it is shown the window waits for its exact slide; that is no loss to repair.
    return slideShow.isPresenting() && audience->isVisible() && !isExposed();
}

bool AudienceController::isExposed() const {
    return audience->windowHandle() && audience->windowHandle()->isExposed();
}

void AudienceController::keepOnScreen() {
    const bool hidden = isOffScreen();
    if (hidden != warned)
        emit exposureChanged();
    if (!hidden) {
        hiddenTicks = 0;
        return;
    }
    // Half a second off screen is no passing state; a restore gets two seconds to land.
    if (++hiddenTicks < 2)
        return;
    hiddenTicks = -8;
    // Qt still counts a window unmapped from outside as shown: hide it first, so showing maps it.
    audience->hide();
    if (audience->windowed) {
        audience->showNormal();
        audience->raise();
    } else {
        const auto [screen, windowed] = outputScreen();
        place(screen, windowed);
    }
    giveKeysToConsole();
}
