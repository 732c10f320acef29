#include "app/PresenterTools.h"

#include "base/L10n.h"
#include "document/Deck.h"
#include "document/ShownPage.h"
#include "show/SlideShow.h"
#include "ui/audience/AudienceWindow.h"
#include "ui/common/SlideView.h"
#include "ui/tools/InkPalette.h"
#include "ui/tools/ToolOverlay.h"

#include <QAction>
#include <QFileInfo>
#include <QJsonArray>
#include <QScreen>
#include <QTimer>

namespace {

// The pointer hides once the mouse rests this long.
constexpr int restMilliseconds = 3000;
// The eraser's reach, as a share of the slide's height.
constexpr double eraserRadius = 0.02;

// Where the view shows the slide, in the view's logical coordinates; empty without a page.
SlideGeometry geometryOf(const Deck& deck, const SlideView* view) {
    if (!view || !view->page() || deck.pageCount() == 0)
        return {};
    if (view->region())
        return SlideGeometry::letterboxed(deck.pageSizes().value(*view->page()),
                                          view->pixelKeySize(), view->pixelRatio(),
                                          *view->region());
    // Where the renderer put the slide: a page of another shape than the view's lies between
    // bars, and the ink and the pointer must land on the page, not on the bars.
    const ShownPage::Area shown = ShownPage::area(deck, *view->page(), view->pixelKeySize());
    return SlideGeometry::placed(shown.region, shown.pixels.toRect(), view->pixelRatio());
}

// The slide's rectangle on the screen, in the screen's pixels. Scaled, Qt keeps each screen's
// origin where it lies in pixels and scales what lies beyond it.
QJsonValue screenRect(const QWidget* view, const SlideGeometry& geometry) {
    if (!view || !view->isVisible() || !geometry.isValid())
        return QJsonValue::Null;
    const double ratio = view->devicePixelRatioF();
    const QPointF screenOrigin = view->screen() ? view->screen()->geometry().topLeft() : QPoint();
    const QPointF inScreen = view->mapToGlobal(QPointF(0, 0)) - screenOrigin;
    return QJsonArray{qRound(screenOrigin.x() + (inScreen.x() + geometry.target.x()) * ratio),
                      qRound(screenOrigin.y() + (inScreen.y() + geometry.target.y()) * ratio),
                      qRound(geometry.target.width() * ratio),
                      qRound(geometry.target.height() * ratio)};
}

QJsonValue toolName(ToolState::Tool tool) {
    switch (tool) {
    case ToolState::Tool::pointer:
        return QStringLiteral("pointer");
    case ToolState::Tool::spotlight:
        return QStringLiteral("spotlight");
    case ToolState::Tool::pen:
        return QStringLiteral("pen");
    case ToolState::Tool::highlighter:
        return QStringLiteral("highlighter");
    case ToolState::Tool::eraser:
        return QStringLiteral("eraser");
    case ToolState::Tool::zoom:
        return QStringLiteral("zoom");
    case ToolState::Tool::none:
        break;
    }
    return QJsonValue::Null;
}

} // namespace

PresenterTools::PresenterTools(const Actions& actions, const Deck& deck, const SlideShow& show,
                               QObject* parent)
    : QObject(parent), deck(deck), show(show), store(drawings), idle(new QTimer(this)) {
    idle->setSingleShot(true);
    idle->setInterval(restMilliseconds);
    connect(idle, &QTimer::timeout, this, [this] { pointerMoved(std::nullopt); });
    connect(&drawings, &Drawings::changed, this, &PresenterTools::update);
    connect(&drawings, &Drawings::boardsChanged, this, &PresenterTools::update);
    connect(&store, &DrawingsStore::noticeChanged, this, &PresenterTools::noticeChanged);
    connect(&reader, &PageReader::pagesRead, this, [this](const QList<PageMatch::PageId>& pages) {
        store.identify(pages);
        if (std::exchange(exportWaiting, false))
            exportDrawings();
    });
    connect(&exporter, &InkExport::finished, this,
            [this](const QString& target, const QString& failure) {
                const QString name = QFileInfo(target).fileName();
                exportNotice = failure.isEmpty()
                                   ? L10n::format("Exportiert: %@", {name})
                                   : L10n::format("%@ nicht exportiert: %@", {name, failure});
                emit noticeChanged();
            });
    connectActions(actions);
}

PresenterTools::~PresenterTools() {
    store.flush();
}

void PresenterTools::connectActions(const Actions& actions) {
    using Id = Actions::Id;
    const auto on = [this, &actions](Id id, auto slot) {
        connect(actions[id], &QAction::triggered, this, slot);
    };
    on(Id::toolPointer, [this] { choose(ToolState::Tool::pointer); });
    on(Id::toolSpotlight, [this] { choose(ToolState::Tool::spotlight); });
    on(Id::toolPen, [this] { choose(ToolState::Tool::pen); });
    on(Id::toolHighlighter, [this] { choose(ToolState::Tool::highlighter); });
    on(Id::toolEraser, [this] { choose(ToolState::Tool::eraser); });
    on(Id::undoStroke, [this] { drawings.undo(sheet()); });
    on(Id::clearSlide, [this] {
        // An empty whiteboard cleared leaves the talk as it was before the board was put in.
        if (state.board() > 0 && drawings.strokes(sheet()).isEmpty()) {
            drawings.removeBoard(state.page(), state.board());
            state.showBoard(state.board() - 1);
            update();
            return;
        }
        drawings.clear(sheet());
    });
    on(Id::nextColour, [this] {
        state.nextColour();
        update();
    });
    on(Id::nextWidth, [this] {
        state.nextWidth();
        update();
    });
    on(Id::zoom, [this] { toggleZoom(); });
    on(Id::zoomHere, [this] { zoomHere(); });
    on(Id::freeze, [this] { toggleFreeze(); });
    on(Id::whiteboard, [this] { toggleWhiteboard(); });
    on(Id::exportDrawings, [this] { exportDrawings(); });
}

void PresenterTools::attach(SlideView* console, AudienceWindow* audience) {
    consoleView = console;
    audienceWindow = audience;
    consoleOverlay = new ToolOverlay(console);
    audienceOverlay = new ToolOverlay(audience->slide);
    palette = new InkPalette(console);
    connect(palette, &InkPalette::colourChosen, this, [this](int index) {
        state.chooseColour(index);
        update();
    });
    connect(palette, &InkPalette::widthChosen, this, [this](int index) {
        state.chooseWidth(index);
        update();
    });
    for (ToolOverlay* overlay : {consoleOverlay.data(), audienceOverlay.data()}) {
        connect(overlay, &ToolOverlay::resized, this, &PresenterTools::update);
        connect(overlay, &ToolOverlay::pointerMoved, this,
                [this](const std::optional<QPointF>& page) {
                    mouse = page;
                    pointerMoved(page);
                });
        connect(overlay, &ToolOverlay::pressed, this, &PresenterTools::pressed);
        connect(overlay, &ToolOverlay::dragged, this, &PresenterTools::dragged);
        connect(overlay, &ToolOverlay::released, this, &PresenterTools::released);
        connect(overlay, &ToolOverlay::wheelTurned, this, [this](int steps) {
            state.scaleSpotlight(steps);
            update();
        });
    }
    update();
}

Sheet PresenterTools::sheet() const {
    return {state.page(), state.board()};
}

double PresenterTools::aspect() const {
    const QSizeF size = deck.pageSizes().value(state.page());
    return size.height() > 0 ? size.width() / size.height() : 16.0 / 9.0;
}

void PresenterTools::choose(ToolState::Tool tool) {
    state.choose(tool);
    live.reset();
    erasing = false;
    update();
}

void PresenterTools::toggleZoom() {
    if (state.zoom())
        state.unzoom();
    else
        state.choose(ToolState::Tool::zoom);
    zoomStart.reset();
    update();
}

void PresenterTools::zoomHere() {
    // Away from the slide there is no place to zoom to: the rectangle is dragged as with Z.
    if (state.zoom() || !mouse) {
        toggleZoom();
        return;
    }
    zoomStart.reset();
    zoomTo(*mouse, *mouse);
    update();
}

void PresenterTools::zoomTo(QPointF from, QPointF to) {
    const QRectF slide = PageSplit::region(deck.notesSide(), false);
    QRectF wanted = QRectF(from, to).normalized();
    // A click rather than a drag: twice as large around it.
    if (wanted.width() < 0.02 * slide.width() && wanted.height() < 0.02 * slide.height())
        wanted = QRectF(to.x() - slide.width() / 4, to.y() - slide.height() / 4, slide.width() / 2,
                        slide.height() / 2);
    state.zoomTo(SlideGeometry::zoomRegion(wanted, slide, deck.pageSizes().value(state.page())));
}

void PresenterTools::applyZoom() {
    SlideView* views[] = {consoleView, audienceWindow ? audienceWindow->slide : nullptr};
    for (SlideView* view : views) {
        if (view && view->region() != state.zoom()) {
            view->setRegion(state.zoom());
            view->refresh();
        }
    }
}

void PresenterTools::toggleFreeze() {
    state.toggleFreeze();
    // The projector keeps what it shows this moment, tools and all.
    if (state.frozen() && audienceOverlay && audienceWindow)
        audienceOverlay->setFrozenPicture(audienceWindow->slide->grab());
    update();
}

void PresenterTools::toggleWhiteboard() {
    if (state.board() > 0) {
        state.showBoard(0);
    } else {
        const qint64 page = state.page();
        state.showBoard(drawings.boards(page) > 0 ? 1 : drawings.insertBoard(page, 0));
    }
    live.reset();
    update();
}

bool PresenterTools::stepBoard(int by) {
    const int board = state.board() + by;
    if (show.page() != state.page() || board < 0 || board > drawings.boards(state.page()))
        return false;
    state.showBoard(board);
    live.reset();
    update();
    return true;
}

void PresenterTools::steppedBackFrom(qint64 from) {
    // The show's change has run refresh() already: the state is on the new page.
    const int boards = drawings.boards(show.page());
    if (show.page() < from && boards > 0) {
        state.showBoard(boards);
        update();
    }
}

bool PresenterTools::escape() {
    if (!state.escape())
        return false;
    live.reset();
    erasing = false;
    update();
    return true;
}

void PresenterTools::refresh() {
    if (show.page() != state.page()) {
        // A stroke under way belongs to the slide it began on; a zoom being dragged ends.
        zoomStart.reset();
        released(pointer.value_or(QPointF()));
        state.pageChanged(show.page());
    }
    update();
}

void PresenterTools::pointerMoved(const std::optional<QPointF>& page) {
    pointer = page;
    if (page)
        idle->start();
    if (state.tool() != ToolState::Tool::pointer && state.tool() != ToolState::Tool::spotlight)
        return;
    const bool shown = !state.frozen();
    if (consoleOverlay)
        consoleOverlay->setPointer(page);
    if (audienceOverlay && shown && show.blank() == Blank::none)
        audienceOverlay->setPointer(page);
}

void PresenterTools::pressed(QPointF page, double pressure, bool eraser) {
    if (state.tool() == ToolState::Tool::zoom) {
        zoomStart = page;
        return;
    }
    if (eraser || state.tool() == ToolState::Tool::eraser) {
        erasing = true;
        eraseAt(page);
        return;
    }
    if (state.tool() != ToolState::Tool::pen && state.tool() != ToolState::Tool::highlighter)
        return;
    Stroke stroke;
    stroke.ink = state.ink();
    stroke.colour = state.colour();
    stroke.width = state.width();
    stroke.points = {{page, pressure}};
    live = stroke;
    update();
}

void PresenterTools::dragged(QPointF page, double pressure) {
    if (zoomStart) {
        // Only the speaker sees the rectangle being dragged.
        if (consoleOverlay)
            consoleOverlay->setRubberBand(QRectF(*zoomStart, page).normalized());
        return;
    }
    if (erasing) {
        eraseAt(page);
        return;
    }
    if (!live)
        return;
    live->points.append({page, pressure});
    for (ToolOverlay* overlay : {consoleOverlay.data(), audienceOverlay.data()}) {
        if (overlay && (overlay == consoleOverlay || !state.frozen()))
            overlay->setLiveStroke(live);
    }
}

void PresenterTools::released(QPointF page) {
    erasing = false;
    if (zoomStart) {
        zoomTo(*std::exchange(zoomStart, std::nullopt), page);
        update();
        return;
    }
    if (!live)
        return;
    const Stroke stroke = *std::exchange(live, std::nullopt);
    // Added last: the drawings' change repaints both overlays without the live stroke.
    drawings.add(sheet(), stroke);
}

void PresenterTools::eraseAt(QPointF page) {
    drawings.erase(sheet(), page, eraserRadius, aspect());
}

void PresenterTools::update() {
    const ToolState::Tool tool = state.tool();
    const bool pointing = tool == ToolState::Tool::pointer || tool == ToolState::Tool::spotlight;
    const std::optional<double> spotlight =
        tool == ToolState::Tool::spotlight ? std::optional(state.spotlightRadius()) : std::nullopt;
    const QList<Stroke>& strokes = drawings.strokes(sheet());
    applyZoom();
    if (consoleOverlay) {
        consoleOverlay->setRubberBand(std::nullopt);
        consoleOverlay->setSlide(geometryOf(deck, consoleView));
        consoleOverlay->setStrokes(strokes);
        consoleOverlay->setLiveStroke(live);
        consoleOverlay->setWhiteboard(state.board() > 0);
        consoleOverlay->setFaded(show.blank() != Blank::none);
        consoleOverlay->setPointer(pointing ? pointer : std::nullopt);
        consoleOverlay->setSpotlight(spotlight);
        consoleOverlay->setTakesClicks(state.takesClicks());
        consoleOverlay->setHidesCursor(pointing);
        QString banner;
        if (state.frozen())
            banner = L10n::lookup("Projektor eingefroren – F oder Esc zeigt wieder diese Folie");
        else if (state.board() > 0)
            banner = L10n::lookup("Whiteboard – T oder Esc zurück zur Folie");
        consoleOverlay->setBanner(banner);
    }
    if (palette) {
        const bool inking = tool == ToolState::Tool::pen || tool == ToolState::Tool::highlighter;
        palette->setChoices(ToolState::colours(state.ink()), state.colourIndex(),
                            ToolState::widths(state.ink()), state.widthIndex());
        palette->setVisible(inking && consoleOverlay && consoleOverlay->slide().isValid());
    }
    if (audienceOverlay && audienceWindow) {
        const bool blank = show.blank() != Blank::none;
        // Blanking covers everything, a frozen picture included.
        audienceOverlay->setVisible(!blank);
        if (!state.frozen())
            audienceOverlay->setFrozenPicture({});
        audienceOverlay->setSlide(blank ? SlideGeometry{}
                                        : geometryOf(deck, audienceWindow->slide));
        audienceOverlay->setStrokes(strokes);
        audienceOverlay->setLiveStroke(live);
        audienceOverlay->setWhiteboard(state.board() > 0);
        audienceOverlay->setPointer(pointing && !blank ? pointer : std::nullopt);
        audienceOverlay->setSpotlight(spotlight);
        audienceOverlay->setTakesClicks(state.takesClicks());
    }
}

void PresenterTools::deckOpened() {
    exportNotice.clear();
    exportWaiting = false;
    store.open(deck.url().toLocalFile());
    readPages();
}

void PresenterTools::deckReloaded() {
    store.reopen();
    readPages();
}

QString PresenterTools::notice() const {
    const QString drawn = store.notice();
    return drawn.isEmpty() ? exportNotice : drawn;
}

void PresenterTools::exportDrawings() {
    const QFileInfo deckFile(deck.url().toLocalFile());
    if (deck.url().isEmpty() || exporter.isRunning())
        return;
    const QString target = deckFile.absolutePath() + QLatin1Char('/') +
                           deckFile.completeBaseName() + L10n::lookup("-mit-Zeichnungen") +
                           QStringLiteral(".pdf");
    exportNotice = L10n::format("Export läuft: %@", {QFileInfo(target).fileName()});
    emit noticeChanged();
    exportWaiting = !store.isIdentified();
    if (!exportWaiting)
        exporter.start(deck.openEngines(), deckFile.absoluteFilePath(), InkExport::inkOf(drawings),
                       target);
}

void PresenterTools::readPages() {
    reader.read(deck.openEngines(), deck.url().toLocalFile(), deck.pageLabels());
}

QJsonObject PresenterTools::automationState() const {
    QJsonArray strokes;
    for (const Stroke& stroke : drawings.strokes(sheet()))
        strokes.append(stroke.toJson());
    const std::optional<QRectF>& zoom = state.zoom();
    const QJsonValue audience = audienceWindow && audienceOverlay && show.blank() == Blank::none
                                    ? screenRect(audienceWindow->slide, audienceOverlay->slide())
                                    : QJsonValue(QJsonValue::Null);
    return {{QStringLiteral("tool"), toolName(state.tool())},
            {QStringLiteral("frozen"), state.frozen()},
            {QStringLiteral("zoom"),
             zoom ? QJsonValue(QJsonArray{zoom->x(), zoom->y(), zoom->width(), zoom->height()})
                  : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("board"), state.board()},
            {QStringLiteral("drawings"), strokes},
            {QStringLiteral("views"),
             QJsonObject{{QStringLiteral("current"),
                          consoleOverlay ? screenRect(consoleView, consoleOverlay->slide())
                                         : QJsonValue(QJsonValue::Null)},
                         {QStringLiteral("audience"), audience}}}};
}
