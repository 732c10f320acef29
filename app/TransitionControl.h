// The deck's page transitions on the projector and its automatic advance: each move plays the
// transition the file (or the sidecar's default) gives, from the picture the projector showed to
// the one it shows now, both already drawn, so a key never waits; a move during a transition ends
// it and cuts. Pages with a display time move on by themselves while presenting until the
// speaker presses a key or clicks. The View menu's switch turns transitions off, remembered.
#pragma once

#include "navigation/AutoAdvance.h"
#include "navigation/Transitions.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <optional>

class Clock;
class Deck;
class DeckNotes;
class QAction;
class SlideShow;
class SlideView;
class TransitionLayer;

class TransitionControl : public QObject {
    Q_OBJECT
public:
    TransitionControl(const Deck& deck, const DeckNotes& notes, SlideShow& show, Clock& clock,
                      QObject* parent = nullptr);

    // The projector's slide view, and the checkable action that switches transitions on and off.
    void attach(SlideView* audience, QAction* enabled);
    // Around each refresh of the projector: what it showed before, then the move to what it
    // shows now.
    void beforeRefresh();
    void afterRefresh();
    bool isPlaying() const;

    static constexpr const char* enabledKey = "transitions";

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What the projector shows: the slide's own image where it fills the view (shared, not
    // copied), else the view grabbed, which takes some 12 ms a full-HD picture. The speaker's
    // drawings and a clip join the picture when the transition ends.
    QImage projectorPicture() const;
    std::optional<QImage> slidePicture() const;
    std::optional<Transitions::Move> moveBetween(qint64 from, qint64 to) const;
    // Whether a step from `page` to a page beside it plays a dissolve, made pixel by pixel.
    bool dissolvesNext(qint64 page) const;

    const Deck& deck;
    const DeckNotes& notes;
    SlideShow& show;
    Clock& clock;
    AutoAdvance advance;
    QPointer<SlideView> audience;
    QPointer<TransitionLayer> layer;
    bool enabled = true;
    // What the projector showed before the refresh, and the move to play from it; none where no
    // transition plays, so that an ordinary key grabs nothing.
    std::optional<qint64> shownPage;
    QImage shownPicture;
    std::optional<Transitions::Move> pendingMove;
    // Makes the dissolve's work picture once the projector has changed.
    QTimer preparing;
};
