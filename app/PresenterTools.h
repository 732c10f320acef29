// The presenter tools in the running program: the pointer, the spotlight, the pen, the
// highlighter and the eraser on the console's current view and on the audience window, undo,
// clearing a slide, the whiteboard and freezing the projector; the drawings kept beside the deck.
// One ToolState feeds both windows' overlays, so the projector shows what the console shows.
#pragma once

#include "app/Actions.h"
#include "drawing/Drawings.h"
#include "drawing/DrawingsStore.h"
#include "drawing/InkExport.h"
#include "drawing/PageReader.h"
#include "drawing/ToolState.h"

#include <QJsonObject>
#include <QObject>
#include <QPointer>

#include <optional>

class AudienceWindow;
class InkPalette;
class Deck;
class QTimer;
class SlideShow;
class SlideView;
class ToolOverlay;

class PresenterTools : public QObject {
    Q_OBJECT
public:
    PresenterTools(const Actions& actions, const Deck& deck, const SlideShow& show,
                   QObject* parent = nullptr);
    ~PresenterTools() override;

    // The views the tools work on, once the windows exist.
    void attach(SlideView* console, AudienceWindow* audience);
    // After every change of the talk: both overlays in line with the page and the blanking.
    void refresh();
    // Next and previous go through the whiteboards after a slide as through pages: true when the
    // step stayed on this slide's sheets, so that the talk does not move.
    bool stepBoard(int by);
    // The talk stepped back from page `from`: it arrives on the last whiteboard of the page
    // before, where there is one.
    void steppedBackFrom(qint64 from);
    // Esc: leaves a zoom, a frozen projector, a tool or a whiteboard, one at a time; false when
    // there was none, so that Esc goes on to the talk.
    bool escape();
    // Another deck is open, or the open one was read again.
    void deckOpened();
    void deckReloaded();

    // The projector keeps its picture: its video is hidden and silent meanwhile.
    bool frozen() const { return state.frozen(); }
    // For the status line: the drawings file's trouble; empty when all is well.
    QString notice() const;
    // "tool", "frozen", "zoom", "drawings" and "views", for the automation's state.
    QJsonObject automationState() const;

signals:
    // The status line's notice changed.
    void noticeChanged();

private:
    void connectActions(const Actions& actions);
    void choose(ToolState::Tool tool);
    void toggleZoom();
    // Twice as large around the mouse on the slide, at once; the same key again goes back.
    void zoomHere();
    void zoomTo(QPointF from, QPointF to);
    // Both views show the zoomed region, or the whole slide again.
    void applyZoom();
    void toggleFreeze();
    void toggleWhiteboard();
    Sheet sheet() const;
    void pointerMoved(const std::optional<QPointF>& page);
    void pressed(QPointF page, double pressure, bool eraser);
    void dragged(QPointF page, double pressure);
    void released(QPointF page);
    void eraseAt(QPointF page);
    // Both overlays anew from the state.
    void update();
    void readPages();
    // Writes "NAME-mit-Zeichnungen.pdf" beside the deck, in the background: nothing asks, so
    // that it never holds up a talk; the status line tells how it went.
    void exportDrawings();
    double aspect() const;

    const Deck& deck;
    const SlideShow& show;
    ToolState state;
    Drawings drawings;
    DrawingsStore store;
    PageReader reader;
    InkExport exporter;
    QString exportNotice;
    // An export asked for before the drawings were placed on the pages: it runs once they are.
    bool exportWaiting = false;
    QPointer<SlideView> consoleView;
    QPointer<AudienceWindow> audienceWindow;
    QPointer<ToolOverlay> consoleOverlay;
    QPointer<ToolOverlay> audienceOverlay;
    QPointer<InkPalette> palette;
    std::optional<QPointF> pointer;
    // Where the mouse is on a slide, also while the resting pointer is hidden.
    std::optional<QPointF> mouse;
    // The stroke being drawn, or the eraser held down.
    std::optional<Stroke> live;
    bool erasing = false;
    // Where a zoom's rectangle began.
    std::optional<QPointF> zoomStart;
    // Hides the pointer once the mouse rests.
    QTimer* idle;
};
