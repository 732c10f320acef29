#include "app/RemoteLink.h"

#include "app/Actions.h"
#include "document/Deck.h"
#include "notes/DeckNotes.h"
#include "show/SlideShow.h"
#include "ui/remote/RemoteWindow.h"

RemoteLink::RemoteLink(const Actions& actions, SlideShow& show, Deck& deck, const DeckNotes& notes,
                       QObject* parent)
    : QObject(parent), actions(actions), slideShow(show), deck(deck), notes(notes) {
    connect(&control, &RemoteControl::commandReceived, this, &RemoteLink::carryOut);
    connect(&control, &RemoteControl::statusChanged, this, [this] {
        if (auto* shown = qobject_cast<RemoteWindow*>(window))
            shown->setStatus(control.status(), control.problem());
    });
    control.setImageProvider([this](qint64 page, QSize pixels, std::function<void(QImage)> done) {
        picture(page, pixels, std::move(done));
    });
}

RemoteLink::~RemoteLink() {
    if (SlideRenderer* renderer = deck.renderer()) {
        for (const char& requester : requesters)
            renderer->withdraw(&requester);
    }
}

void RemoteLink::start() {
    control.applySettings(RemoteSettings::fromPreferences());
    emit enabledChanged(isEnabled());
}

void RemoteLink::setEnabled(bool enabled) {
    if (enabled == isEnabled())
        return;
    control.setEnabled(enabled);
    if (auto* shown = qobject_cast<RemoteWindow*>(window))
        shown->setSwitch(enabled);
    emit enabledChanged(enabled);
}

void RemoteLink::showWindow(QWidget* console) {
    auto* shown = qobject_cast<RemoteWindow*>(window);
    if (!shown) {
        shown = new RemoteWindow(console);
        connect(shown, &RemoteWindow::switched, this, &RemoteLink::setEnabled);
        window = shown;
    }
    shown->setSwitch(isEnabled());
    shown->setStatus(control.status(), control.problem());
    shown->show();
    shown->raise();
}

void RemoteLink::update(const TalkTimer::Display& timer,
                        const std::optional<TalkPace::Reading>& pace,
                        const QString& externalTimer) {
    const SlideStructure& slides = notes.slides();
    const qint64 page = slideShow.page();
    RemoteState state;
    if (deck.pageCount() > 0) {
        state.slideIndex = int(slides.slideOf(page));
        state.slideCount = int(slides.slideCount());
        state.currentPage = page;
        if (const qint64 next = slideShow.neighbour(page, +1); next > page)
            state.nextPage = next;
        const QList<DeckNotes::Note> written = notes.notesFor(page, deck.annotationNotes(page));
        state.notesText = DeckNotes::plainText(written);
        // Paragraphs as the phone shows them; the page allows no markup of its own.
        for (const QString& paragraph : state.notesText.split(QStringLiteral("\n\n"))) {
            if (!paragraph.trimmed().isEmpty())
                state.notesHtml +=
                    QStringLiteral("<p>") + paragraph.toHtmlEscaped() + QStringLiteral("</p>");
        }
    }
    state.blank = slideShow.blank() == Blank::black   ? RemoteBlank::Black
                  : slideShow.blank() == Blank::white ? RemoteBlank::White
                                                      : RemoteBlank::None;
    state.presenting = slideShow.isPresenting();
    state.typed = slideShow.typed();
    state.talkTime = timer.time;
    if (pace) {
        state.remainingSeconds = int(pace->remainingSeconds);
        state.talkColour = pace->phase == TalkPace::Phase::over          ? QStringLiteral("red")
                           : pace->phase == TalkPace::Phase::lastMinutes ? QStringLiteral("orange")
                                                                         : QStringLiteral("green");
    }
    state.externalTimer = externalTimer;
    state.deckGeneration = deck.generation();
    control.setState(state);
}

void RemoteLink::carryOut(RemoteCommand command, int slideIndex) {
    // The commands a speaker gives with the keys, through the same actions; the rest are set,
    // not toggled, so that a desk's button means the same every time it is pressed.
    switch (command) {
    case RemoteCommand::Next:
        return actions.trigger(Actions::Id::next);
    case RemoteCommand::Previous:
        return actions.trigger(Actions::Id::previous);
    case RemoteCommand::GoTo:
        return slideShow.goTo(notes.slides().firstPage(slideIndex));
    case RemoteCommand::Black:
    case RemoteCommand::White: {
        const Blank wanted = command == RemoteCommand::Black ? Blank::black : Blank::white;
        if (slideShow.blank() != wanted)
            slideShow.toggleBlank(wanted);
        return;
    }
    case RemoteCommand::Show:
        return slideShow.unblank();
    case RemoteCommand::Start:
        if (!slideShow.isPresenting())
            slideShow.start();
        return;
    case RemoteCommand::Stop:
        return slideShow.stop();
    }
}

void RemoteLink::picture(qint64 page, QSize pixels, std::function<void(QImage)> done) {
    SlideRenderer* renderer = deck.renderer();
    if (!renderer || page < 0 || page >= deck.pageCount() || pixels.isEmpty()) {
        done({});
        return;
    }
    // The phone's pictures come after everything the console and the projector wait for. A newer
    // request for the same slot replaces the older one, which the phone's side gives up on.
    const char* requester = &requesters[page == slideShow.page() ? 0 : 1];
    renderer->request({page, pixels.width(), pixels.height()}, std::move(done),
                      RenderPriority::thumbnail, requester);
}
