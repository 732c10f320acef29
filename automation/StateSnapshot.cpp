#include "automation/StateSnapshot.h"

#include "app/Application.h"
#include "app/OutputScreens.h"
#include "automation/NavigationState.h"
#include "base/L10n.h"
#include "base/Preferences.h"
#include "base/RecentFiles.h"
#include "ui/audience/AudienceWindow.h"
#include "ui/console/PresenterView.h"
#include "ui/console/PresenterWindow.h"

#include <QGuiApplication>
#include <QJsonArray>
#include <QWindow>
#include <cmath>

namespace {

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

// The current slide's notes: their first source (null for none) and their plain text.
QJsonObject notes(Application& app) {
    const Deck& deck = app.deck();
    if (deck.pageCount() < 1)
        return {{QStringLiteral("source"), QJsonValue()}, {QStringLiteral("text"), QString()}};
    const qint64 page = app.slideShow().page();
    const QList<DeckNotes::Note> written =
        app.decks().notes().notesFor(page, deck.annotationNotes(page));
    // The notes half of a notes page says its part after the written notes.
    QStringList texts{DeckNotes::plainText(written), deck.notesPageText(page)};
    texts.removeAll(QString());
    const QJsonValue source = !written.isEmpty() ? DeckNotes::sourceName(written.first().source)
                              : deck.notesSide() != NotesSide::none
                                  ? QJsonValue(PageSplit::name(deck.notesSide()))
                                  : QJsonValue();
    return {{QStringLiteral("source"), source},
            {QStringLiteral("text"), texts.join(QStringLiteral("\n\n"))}};
}

QJsonValue pace(Application& app) {
    const std::optional<TalkPace::Reading> reading = app.paceReading();
    if (!reading)
        return QJsonValue::Null;
    return QJsonObject{{QStringLiteral("remainingSeconds"), reading->remainingSeconds},
                       {QStringLiteral("phase"), TalkPace::phaseName(reading->phase)}};
}

QJsonObject audience(Application& app) {
    const AudienceWindow* window = app.audience().window();
    const QRect frame = window->geometry();
    return {{QStringLiteral("visible"), window->isVisible()},
            {QStringLiteral("exposed"), app.audience().isExposed()},
            {QStringLiteral("windowed"), window->windowed},
            {QStringLiteral("title"), window->windowTitle()},
            // The native window, for tests that act on it from outside as a window manager would.
            // The platform window's: Qt may make a new native window when the flags change.
            {QStringLiteral("windowId"),
             QString::number(window->windowHandle() ? window->windowHandle()->winId()
                                                    : window->winId())},
            // Under Wayland the screen Qt reports follows the outputs the compositor showed it on.
            {QStringLiteral("screen"), OutputScreens::nameOf(window->screen())},
            {QStringLiteral("x"), frame.x()},
            {QStringLiteral("y"), frame.y()},
            {QStringLiteral("width"), frame.width()},
            {QStringLiteral("height"), frame.height()}};
}

// Which of the two windows has the keyboard, null for neither.
QJsonValue focus(Application& app) {
    const QWindow* focused = QGuiApplication::focusWindow();
    if (!focused)
        return QJsonValue::Null;
    if (app.console() && focused == app.console()->windowHandle())
        return QStringLiteral("presenter");
    if (focused == app.audience().window()->windowHandle())
        return QStringLiteral("audience");
    return QJsonValue::Null;
}

QJsonObject block(const PresenterView::Readout& shown) {
    const bool visible = shown.block != PresenterLayout::Block::None;
    return {{QStringLiteral("visible"), !visible ? QStringLiteral("none")
                                        : shown.block == PresenterLayout::Block::Ontime
                                            ? QStringLiteral("ontime")
                                            : QStringLiteral("stagetimer")},
            {QStringLiteral("caption"), shown.blockCaption},
            {QStringLiteral("time"), shown.blockTime},
            {QStringLiteral("timeColor"), visible ? shown.blockTimeColour.name() : QString()},
            {QStringLiteral("message"), shown.blockMessage},
            // Two decimals are what the eye can tell.
            {QStringLiteral("messageOpacity"), std::round(shown.blockMessageOpacity * 100) / 100},
            {QStringLiteral("secondary"), shown.blockSecondary},
            {QStringLiteral("status"), shown.blockStatus}};
}

void addTimers(QJsonObject& state, Application& app) {
    const ExternalTimers& timers = app.timers();
    const OntimeModel& ontime = timers.ontime();
    const StagetimerModel& stagetimer = timers.stagetimer();
    const std::optional<OntimeServer>& server = ontime.server();
    state.insert(QStringLiteral("ontime"),
                 QJsonObject{{QStringLiteral("connected"), ontime.connected()},
                             {QStringLiteral("status"), ontime.status()},
                             {QStringLiteral("server"), server ? server->label() : QString()},
                             {QStringLiteral("scanning"), ontime.scanning()},
                             {QStringLiteral("scanProgress"), ontime.scanProgress()}});
    state.insert(QStringLiteral("stagetimer"),
                 QJsonObject{{QStringLiteral("connected"), stagetimer.connected()},
                             {QStringLiteral("connecting"), stagetimer.connecting()},
                             {QStringLiteral("status"), stagetimer.status()}});
    state.insert(QStringLiteral("timerSource"), Preferences::text(TimerSelection::sourceKey));
    const QWidget* setup = timers.visibleSetupWindow();
    state.insert(QStringLiteral("setup"), !setup ? QStringLiteral("none")
                                          : timers.isOntimeSetup(setup)
                                              ? QStringLiteral("ontime")
                                              : QStringLiteral("stagetimer"));
}

// The deck as its author made it: the current slide and step, counted from 1, beside the page
// index.
void addSlides(QJsonObject& state, Application& app) {
    const SlideStructure& slides = app.slideShow().slides();
    const qint64 page = app.slideShow().page();
    const qint64 slide = slides.slideOf(page);
    state.insert(QStringLiteral("slide"), slide + 1);
    state.insert(QStringLiteral("slideCount"), slides.slideCount());
    state.insert(QStringLiteral("step"), slides.stepOf(page) + 1);
    state.insert(QStringLiteral("stepCount"), slides.stepCount(slide));
    state.insert(QStringLiteral("endSlide"), slides.endSlide() + 1);
    state.insert(QStringLiteral("hidden"), app.decks().notes().isHidden(page));
}

} // namespace

namespace StateSnapshot {

QJsonObject state(Application& app) {
    const Deck& deck = app.deck();
    const SlideShow& show = app.slideShow();
    QJsonArray recent;
    for (const QUrl& url : RecentFiles::all())
        recent.append(url.toLocalFile());
    const PresenterWindow* console = app.console();
    QJsonObject state{{QStringLiteral("pageCount"), deck.pageCount()},
                      {QStringLiteral("index"), show.page()},
                      {QStringLiteral("aspect"), deck.pageAspect()},
                      {QStringLiteral("audienceAspect"), deck.aspect()},
                      {QStringLiteral("notes"), notes(app)},
                      {QStringLiteral("pace"), pace(app)},
                      {QStringLiteral("blank"), blankName(show.blank())},
                      {QStringLiteral("presenting"), show.isPresenting()},
                      {QStringLiteral("jumpBuffer"), show.typed()},
                      {QStringLiteral("title"), console ? console->windowTitle() : QString()},
                      {QStringLiteral("url"), deck.url().toString()},
                      {QStringLiteral("audience"), audience(app)},
                      {QStringLiteral("focus"), focus(app)},
                      {QStringLiteral("presenterScreen"),
                       console ? OutputScreens::nameOf(console->screen()) : QString()},
                      {QStringLiteral("recent"), recent},
                      {QStringLiteral("language"), L10n::current()}};
    addSlides(state, app);
    if (console) {
        const PresenterView* view = console->view();
        const PresenterView::Readout shown = view->readout();
        state.insert(QStringLiteral("status"), shown.status);
        state.insert(QStringLiteral("statusColor"), shown.statusColour.name());
        state.insert(QStringLiteral("currentLabel"), shown.currentLabel);
        state.insert(QStringLiteral("nextLabel"), shown.nextLabel);
        state.insert(QStringLiteral("nextPage"),
                     shown.nextPage ? QJsonValue(*shown.nextPage) : QJsonValue());
        state.insert(QStringLiteral("startButton"), shown.startButton);
        state.insert(QStringLiteral("blackButton"), shown.blackButton);
        state.insert(QStringLiteral("pauseButton"), shown.pauseButton);
        state.insert(QStringLiteral("timer"), shown.timer);
        state.insert(QStringLiteral("timerCaption"), shown.timerCaption);
        state.insert(QStringLiteral("timerColor"), shown.timerColour.name());
        state.insert(QStringLiteral("clock"), shown.clock);
        state.insert(QStringLiteral("emptyState"), shown.emptyState);
        state.insert(QStringLiteral("columns"), shown.columns);
        state.insert(QStringLiteral("sidebarWidth"), shown.sidebarWidth);
        state.insert(QStringLiteral("layoutSidebar"), view->sidebarFraction());
        state.insert(QStringLiteral("layoutSplit"), view->slideSplit());
        state.insert(QStringLiteral("selectedThumbnail"), shown.selectedThumbnail);
        state.insert(QStringLiteral("thumbnailCount"), shown.thumbnailCount);
        QJsonArray hiddenThumbnails;
        for (const qint64 slide : shown.hiddenThumbnails)
            hiddenThumbnails.append(slide);
        state.insert(QStringLiteral("hiddenThumbnails"), hiddenThumbnails);
        state.insert(QStringLiteral("shortcutOverlay"), console->showsShortcuts());
        state.insert(QStringLiteral("notesShown"), shown.notesShown);
        state.insert(QStringLiteral("notesFontSize"), shown.notesFontSize);
        state.insert(QStringLiteral("block"), block(shown));
    }
    addTimers(state, app);
    const std::optional<TalkPace::Reading> talk = app.talkReading();
    const std::optional<PlanPace::Reading> planned = app.timings().read(talk);
    state.insert(QStringLiteral("plan"),
                 planned ? QJsonValue(planned->lagSeconds) : QJsonValue(QJsonValue::Null));
    const std::optional<SkipOffer> offer = app.timings().skipOffer(talk);
    state.insert(QStringLiteral("skipOffer"),
                 offer ? QJsonValue(offer->toJson()) : QJsonValue(QJsonValue::Null));
    state.insert(QStringLiteral("remote"), app.remote().automationState());
    state.insert(QStringLiteral("media"), app.media().automationState());
    const QJsonObject tools = app.tools().automationState();
    for (auto field = tools.constBegin(); field != tools.constEnd(); ++field)
        state.insert(field.key(), field.value());
    state.insert(QStringLiteral("links"), NavigationState::links(app));
    state.insert(QStringLiteral("overview"), NavigationState::overview(app));
    return state;
}

QJsonObject screens(Application& app) {
    QJsonArray screens;
    for (const OutputScreens::ScreenInfo& screen : OutputScreens::describeAll())
        screens.append(QJsonObject{{QStringLiteral("name"), screen.name},
                                   {QStringLiteral("x"), screen.geometry.x()},
                                   {QStringLiteral("y"), screen.geometry.y()},
                                   {QStringLiteral("width"), screen.geometry.width()},
                                   {QStringLiteral("height"), screen.geometry.height()},
                                   {QStringLiteral("primary"), screen.primary}});
    QJsonArray choices;
    int selected = -1;
    QString caption;
    if (const PresenterWindow* console = app.console()) {
        const PresenterView::Readout shown = console->view()->readout();
        for (const QString& title : shown.screenChoices)
            choices.append(title);
        selected = shown.screenSelected;
        caption = shown.screenCaption;
    }
    return {{QStringLiteral("screens"), screens},
            {QStringLiteral("popup"), choices},
            {QStringLiteral("selected"), selected},
            {QStringLiteral("caption"), caption},
            {QStringLiteral("setting"), Preferences::text(OutputScreens::settingKey)}};
}

} // namespace StateSnapshot
