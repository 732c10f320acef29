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

TransitionControl::TransitionControl(const Deck& deck, const DeckNotes& notes, SlideShow& show,
                                     Clock& clock, QObject* parent)
    : QObject(parent), deck(deck), notes(notes), show(show), clock(clock), advance(clock) {
    advance.advance = [this] { this->show.next(); };
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

QImage TransitionControl::projectorPicture() const {
    const std::optional<QImage> image = audience->image();
    if (image && !audience->region() && image->size() == audience->pixelKeySize())
        return *image;
    return audience->grab().toImage();
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
    pendingMove = Transitions::forMove(
        from, to, [this](qint64 at) { return deck.navigation(at).transition; },
        Transitions::parseDefault(notes.sidecar().defaultTransition));
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
    if (!from || !move || *from == page || !layer || !audience || audience->page() != page ||
        audience->blank() != Blank::none || !audience->imageKey() ||
        audience->imageKey()->page != page)
        return;
    layer->play(before, projectorPicture(), *move);
}
