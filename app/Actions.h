// Every command of the program as one QAction: its text, its shortcuts and whether it can act now.
// The menus, the console's buttons, the presenter keys and the automation all trigger these, so a
// command behaves the same whichever way it is given.
#pragma once

#include <QHash>
#include <QObject>

class QAction;
class QActionGroup;

class Actions : public QObject {
    Q_OBJECT
public:
    enum class Id {
        open,
        closeWindow,
        quit,
        thumbnailColumns1,
        thumbnailColumns2,
        thumbnailColumns3,
        thumbnailColumns4,
        resetLayout,
        notesLarger,
        notesSmaller,
        // Checkable: the next-slide view shows the next page rather than how the next slide ends.
        previewNextPage,
        togglePresentation,
        startFromBeginning,
        // Starts a presentation recorded as a rehearsal.
        rehearse,
        next,
        previous,
        // Shift with the arrows and page keys: a whole slide, all its steps.
        nextSlide,
        previousSlide,
        first,
        last,
        // Return: the typed slide number, else the next slide.
        goToTyped,
        // Esc: drops a typed number, else shows the slide again, else ends the presentation.
        escape,
        toggleBlack,
        toggleWhite,
        toggleTimerPause,
        resetTimer,
        talkPlan,
        // The record of the deck's talks and its plan per slide.
        timings,
        // Leaves out the slides the console offers when the talk runs late.
        skipSlides,
        // The phones' and control desks' switch and address.
        remote,
        shortcuts,
        about,
        // Tab: every slide in a grid over the console's slides.
        overview,
        // Alt+Left: back to the page a link jump left.
        linkBack,
        linkForward,
        // Whether the projector shows the deck's transitions (checkable, remembered).
        transitions,
        // M: starts or pauses the slide's video or sound.
        toggleMedia,
        // The presenter tools on the slide; each key again puts the tool away.
        toolPointer,
        toolSpotlight,
        toolPen,
        toolHighlighter,
        toolEraser,
        undoStroke,
        clearSlide,
        nextColour,
        nextWidth,
        // Drag a rectangle (or click) on the slide to enlarge it; again, or Esc, goes back.
        zoom,
        zoomHere,
        // The projector keeps its picture while the console moves on.
        freeze,
        // A blank page after the current slide, to draw on.
        whiteboard,
        // A copy of the deck beside it with the drawings as ink annotations.
        exportDrawings,
    };

    explicit Actions(QObject* parent = nullptr);

    QAction* operator[](Id id) const { return actions.value(id); }
    // Runs the command if it is enabled.
    void trigger(Id id) const;
    // Where the pages hold notes: "none", "left", "right", "top", "bottom", "auto" (the data of
    // each checkable action), one chosen at a time.
    QActionGroup* notesSides() const { return sides; }

    // The commands that act on a deck are enabled while one is open.
    void setDeckOpen(bool open);

private:
    QAction* add(Id id, const QString& text);

    QHash<Id, QAction*> actions;
    QActionGroup* sides;
};
