#include "app/TalkMedia.h"

#include "document/Deck.h"
#include "media/MediaPlacement.h"
#include "show/SlideShow.h"
#include "ui/common/SlideView.h"
#include "ui/media/VideoSurface.h"

#include <QEvent>
#include <QJsonObject>

TalkMedia::TalkMedia(Deck& deck, SlideShow& show, QObject* parent)
    : QObject(parent), deck(deck), show(show) {
    connect(&slideMedia, &SlideMedia::clipsChanged, this, &TalkMedia::rebuild);
    connect(&slideMedia, &SlideMedia::clipChanged, this, &TalkMedia::showClip);
    connect(&slideMedia, &SlideMedia::frameReady, this, &TalkMedia::showFrame);
}

TalkMedia::~TalkMedia() {
    for (const Surfaces& shown : std::as_const(surfaces)) {
        delete shown.audience;
        delete shown.console;
    }
}

void TalkMedia::setViews(SlideView* audience, SlideView* console) {
    audienceView = audience;
    consoleView = console;
    for (SlideView* view : {audience, console}) {
        if (view)
            view->installEventFilter(this);
    }
    rebuild();
}

void TalkMedia::deckOpened() {
    slideMedia.setDeck(deck.unlockedEngines(), deck.url().toLocalFile());
}

void TalkMedia::refresh(std::optional<qint64> next, bool frozen) {
    const std::optional<qint64> page =
        deck.pageCount() > 0 ? std::optional<qint64>(show.page()) : std::nullopt;
    const bool live = show.isPresenting() && show.blank() == Blank::none && !frozen;
    const bool wasLive = slideMedia.isLive();
    slideMedia.show(page, next, live);
    if (live != wasLive) {
        for (MediaClip* clip : slideMedia.clips())
            showClip(clip);
    }
}

void TalkMedia::toggle() {
    slideMedia.toggle();
}

void TalkMedia::rebuild() {
    for (const Surfaces& shown : std::as_const(surfaces)) {
        delete shown.audience;
        delete shown.console;
    }
    surfaces.clear();
    for (MediaClip* clip : slideMedia.clips()) {
        Surfaces made;
        const auto wire = [this, clip](VideoSurface* surface) {
            connect(surface, &VideoSurface::toggleRequested, this,
                    [this, clip] { slideMedia.toggle(clip); });
            connect(surface, &VideoSurface::seekRequested, clip, &MediaClip::seek);
        };
        if (audienceView && clip->hasVideo()) {
            made.audience = new VideoSurface(VideoSurface::Role::audience, audienceView);
            wire(made.audience);
        }
        if (consoleView) {
            made.console = new VideoSurface(VideoSurface::Role::console, consoleView);
            wire(made.console);
        }
        surfaces.insert(clip, made);
    }
    place();
    for (MediaClip* clip : slideMedia.clips())
        showClip(clip);
}

void TalkMedia::place() {
    const std::optional<qint64> page = slideMedia.page();
    if (!page)
        return;
    const QSizeF pageSize = deck.pageSizes().value(*page);
    const NotesSide side = deck.notesSide();
    for (auto shown = surfaces.constBegin(); shown != surfaces.constEnd(); ++shown) {
        MediaClip* clip = shown.key();
        QSize sizes[2];
        int which = 0;
        for (const auto& [surface, view] :
             {std::pair{shown->audience, audienceView}, std::pair{shown->console, consoleView}}) {
            if (surface && view) {
                const QRect area =
                    MediaPlacement::inView(clip->link().rect, pageSize, side, view->pixelKeySize());
                surface->setArea(area);
                sizes[which] = area.size();
            }
            ++which;
        }
        clip->setFrameSizes(sizes[0], sizes[1]);
    }
}

void TalkMedia::showClip(MediaClip* clip) {
    const auto shown = surfaces.constFind(clip);
    if (shown != surfaces.constEnd()) {
        const bool fine = clip->problem().isEmpty();
        if (shown->audience) {
            // The projector shows frames only while the talk does: never over a blank screen.
            shown->audience->setVisible(fine && slideMedia.isLive());
            if (!clip->showsFrames())
                shown->audience->setFrame({});
        }
        if (shown->console) {
            shown->console->setVisible(fine && show.isPresenting());
            shown->console->setState(clip->isPlaying(), clip->position(), clip->duration());
            if (!clip->showsFrames())
                shown->console->setFrame({});
        }
    }
    if (notice() != lastNotice) {
        lastNotice = notice();
        emit noticeChanged();
    }
}

void TalkMedia::showFrame(MediaClip* clip) {
    const auto shown = surfaces.constFind(clip);
    if (shown == surfaces.constEnd() || !clip->showsFrames())
        return;
    // The projector's first, as with the slides.
    if (shown->audience)
        shown->audience->setFrame(clip->audienceFrame());
    if (shown->console)
        shown->console->setFrame(clip->consoleFrame());
}

bool TalkMedia::eventFilter(QObject* watched, QEvent* event) {
    // The type first: a view's last events come while it is destroyed, when it is a SlideView no
    // longer and its pointer must not be looked at.
    if ((event->type() == QEvent::Resize || event->type() == QEvent::ScreenChangeInternal) &&
        (watched == audienceView || watched == consoleView))
        place();
    return false;
}

QJsonArray TalkMedia::automationState() const {
    QJsonArray clips;
    for (const MediaClip* clip : slideMedia.clips()) {
        const MediaLink& link = clip->link();
        clips.append(QJsonObject{
            {QStringLiteral("rect"),
             QJsonArray{link.rect.x(), link.rect.y(), link.rect.width(), link.rect.height()}},
            {QStringLiteral("kind"), MediaLink::kindName(link.kind)},
            {QStringLiteral("source"), link.embedded ? QStringLiteral("embedded") : link.target},
            {QStringLiteral("autostart"), link.autostart},
            {QStringLiteral("playing"), clip->isPlaying()},
            {QStringLiteral("position"), clip->position()},
            {QStringLiteral("framesShown"), clip->framesShown()},
            {QStringLiteral("framesDropped"), clip->framesDropped()},
            {QStringLiteral("problem"), clip->problem()}});
    }
    return clips;
}
