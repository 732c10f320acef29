#include "app/TransitionControl.h"

#include "base/Preferences.h"
#include "document/Deck.h"
#include "navigation/Transitions.h"
#include "notes/DeckNotes.h"
#include "show/SlideShow.h"
#include "ui/audience/TransitionLayer.h"
#include "ui/common/SlideView.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QTimer>

namespace {

// Long enough for a refresh to reach the projector before the work picture is made.
constexpr int prepareDelayMs = 100;

} // namespace

TransitionControl::TransitionControl(const Deck& deck, const DeckNotes& notes, SlideShow& show,
                                     Clock& clock, QObject* parent)
    : QObject(parent), deck(deck), notes(notes), show(show), clock(clock), advance(clock) {
    advance.advance = [this] { this->show.next(); };
    preparing.setSingleShot(true);
    // Off the key's way: whether a move from here dissolves is asked when the timer fires.
    connect(&preparing, &QTimer::timeout, this, [this] {
        if (!enabled || !layer || !audience || !dissolvesNext(this->show.page()))
            return;
        // Not while a transition plays: after it.
        if (layer->isPlaying()) {
            preparing.start(prepareDelayMs);
            return;
        }
        if (const std::optional<QImage> shown = slidePicture())
            layer->prepareDissolve(*shown);
    });
    enabled = Preferences::flag(QLatin1String(enabledKey), true);
}

void TransitionControl::attach(SlideView* view, QAction* switched) {
    audience = view;
    layer = new TransitionLayer(clock, view->parentWidget());
    switched->setChecked(enabled);
    connect(switched, &QAction::toggled, this, [this](bool on) {
        enabled = on;
        Preferences::setValue(QLatin1String(enabledKey), on);
        if (!on && layer)
            layer->stop();
    });
    // Any key or click of the speaker's ends the automatic advance.
    qApp->installEventFilter(this);
}

bool TransitionControl::eventFilter(QObject*, QEvent* event) {
    if (advance.isWaiting() &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::MouseButtonPress))
        advance.takeOver();
    return false;
}

std::optional<QImage> TransitionControl::slidePicture() const {
    std::optional<QImage> image = audience->image();
    if (image && !audience->region() && image->size() == audience->pixelKeySize())
        return image;
    return std::nullopt;
}

QImage TransitionControl::projectorPicture() const {
    if (std::optional<QImage> image = slidePicture())
        return *image;
    return audience->grab().toImage();
}

std::optional<Transitions::Move> TransitionControl::moveBetween(qint64 from, qint64 to) const {
    return Transitions::forMove(
        from, to, [this](qint64 at) { return deck.navigation(at).transition; },
        Transitions::parseDefault(notes.sidecar().defaultTransition));
}

bool TransitionControl::dissolvesNext(qint64 page) const {
    for (const qint64 next : {page - 1, page + 1}) {
        if (next < 0 || next >= deck.pageCount())
            continue;
        const std::optional<Transitions::Move> move = moveBetween(page, next);
        if (move && (move->transition.style == PageTransition::Style::dissolve ||
                     move->transition.style == PageTransition::Style::glitter))
            return true;
    }
    return false;
}

bool TransitionControl::isPlaying() const {
    return layer && layer->isPlaying();
}

void TransitionControl::beforeRefresh() {
    shownPage.reset();
    shownPicture = QImage();
    pendingMove.reset();
    // A move during a transition ends it where it is, and cuts.
    const bool interrupted = isPlaying();
    if (layer)
        layer->stop();
    if (interrupted || !enabled || !audience || !audience->isVisible() ||
        audience->blank() != Blank::none || !audience->page() || !audience->image())
        return;
    const qint64 from = *audience->page();
    const qint64 to = show.page();
    if (from == to)
        return;
    pendingMove = moveBetween(from, to);
    if (!pendingMove)
        return;
    shownPage = from;
    shownPicture = projectorPicture();
}

void TransitionControl::afterRefresh() {
    const qint64 page = show.page();
    advance.show(page, deck.navigation(page).displaySeconds, show.isPresenting());
    const std::optional<qint64> from = std::exchange(shownPage, std::nullopt);
    const QImage before = std::exchange(shownPicture, QImage());
    const std::optional<Transitions::Move> move = std::exchange(pendingMove, std::nullopt);
    if (enabled && layer)
        preparing.start(prepareDelayMs);
    if (!from || !move || *from == page || !layer || !audience || audience->page() != page ||
        audience->blank() != Blank::none || !audience->imageKey() ||
        audience->imageKey()->page != page)
        return;
    layer->play(before, projectorPicture(), *move);
}
