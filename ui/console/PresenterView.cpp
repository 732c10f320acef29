#include "ui/console/PresenterView.h"

#include "base/Colors.h"
#include "base/L10n.h"
#include "base/Preferences.h"
#include "document/Presentation.h"
#include "notes/DeckNotes.h"
#include "ui/common/KeyNames.h"
#include "ui/common/LabelStyle.h"
#include "ui/common/SlideView.h"
#include "ui/console/NotesPane.h"
#include "ui/console/PaceLine.h"
#include "ui/console/SplitHandle.h"
#include "ui/console/ThumbnailSidebar.h"
#include "ui/timers/ExternalTimerBlock.h"

#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>

#include <algorithm>

namespace {

const QString sidebarKey = QStringLiteral("layoutSidebar");
const QString splitKey = QStringLiteral("layoutSplit");
const QString notesKey = QStringLiteral("layoutNotes");

QLabel* makeLabel(QWidget* parent, int pixelSize, QFont::Weight weight, const QColor& colour,
                  const QString& text = {}) {
    auto* label = new QLabel(text, parent);
    label->setFont(LabelStyle::interfaceFont(pixelSize, weight));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(false);
    LabelStyle::setTextColour(label, colour);
    return label;
}

QPushButton* makeButton(QWidget* parent, const QString& title) {
    auto* button = new QPushButton(title, parent);
    button->setFocusPolicy(Qt::NoFocus);
    // Return belongs to the slide-number jump, never to a default button.
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setFont(LabelStyle::interfaceFont(13, QFont::Normal));
    return button;
}

double storedFraction(const QString& key, double fallback) {
    return Preferences::contains(key) ? Preferences::value(key).toDouble() : fallback;
}

} // namespace

PresenterView::PresenterView(Presentation* deck, QWidget* parent)
    : QWidget(parent), presentation(deck) {
    sidebar = new ThumbnailSidebar;
    current = new SlideView;
    next = new SlideView;
    currentLabel = makeLabel(this, 15, QFont::DemiBold, Colors::grey(1.0));
    nextLabel = makeLabel(this, 15, QFont::DemiBold, Colors::grey(0.65));
    timerLabel = makeLabel(this, 44, QFont::Medium, Colors::grey(1.0));
    timerLabel->setFont(LabelStyle::timeFont(44, QFont::Medium));
    timerCaption =
        makeLabel(this, 12, QFont::Normal, Colors::grey(0.6), L10n::lookup("Vortragszeit"));
    paceLine = new PaceLine;
    clockLabel = makeLabel(this, 28, QFont::Normal, Colors::grey(0.8));
    clockLabel->setFont(LabelStyle::timeFont(28, QFont::Normal));
    clockCaption = makeLabel(this, 12, QFont::Normal, Colors::grey(0.6), L10n::lookup("Uhrzeit"));
    statusLabel = makeLabel(this, 13, QFont::Medium, Colors::orange);
    hintLabel = makeLabel(this, 11, QFont::Normal, Colors::grey(0.5));
    screenCaption =
        makeLabel(this, 12, QFont::Normal, Colors::grey(0.6), L10n::lookup("Ausgabe auf"));
    emptyLabel = makeLabel(this, 20, QFont::Medium, Colors::grey(0.55),
                           L10n::format("PDF hierher ziehen oder mit %@ öffnen",
                                        {KeyNames::withControl(QStringLiteral("O"))}));
    emptyLabel->setAlignment(Qt::AlignCenter);
    ontimeBlock = new ExternalTimerBlock;
    stagetimerBlock = new ExternalTimerBlock;
    sidebarHandle = new SplitHandle;
    slideHandle = new SplitHandle;
    notesPane = new NotesPane;
    notesHandle = new SplitHandle(nullptr, Qt::Horizontal);

    setAutoFillBackground(true);
    QPalette background = palette();
    background.setColor(QPalette::Window, Colors::windowBackground);
    setPalette(background);

    sidebar->setPresentation(presentation);
    current->setPresentation(presentation);
    next->setPresentation(presentation);
    notesPane->setPresentation(presentation);
    next->setPlaceholder(L10n::lookup("Ende der Präsentation"));

    hintText =
        L10n::format("Weiter: → ↓ Leertaste Bild↓ · Zurück: ← ↑ Bild↑ · Nummer + ⏎ springt · "
                     "B/. schwarz · W/, weiß · F5 / %@ Start · Esc Ende",
                     {KeyNames::withControl(QStringLiteral("⏎"))});
    hintLabel->setText(hintText);
    hintLabel->setToolTip(hintText);

    prevButton = makeButton(this, L10n::lookup("◀︎ Zurück"));
    nextButton = makeButton(this, L10n::lookup("Weiter ▶︎"));
    startButton = makeButton(this, L10n::lookup("Präsentation starten"));
    blackButton = makeButton(this, L10n::lookup("Schwarzbild (B)"));
    pauseButton = makeButton(this, L10n::lookup("Timer anhalten"));
    resetButton = makeButton(this, L10n::lookup("Timer zurücksetzen"));
    openButton = makeButton(this, L10n::lookup("PDF öffnen …"));
    screenPopup = new QComboBox;
    screenPopup->setFocusPolicy(Qt::NoFocus);
    screenPopup->setFont(LabelStyle::interfaceFont(13, QFont::Normal));

    // Stacking order: later children lie on top.
    const QList<QWidget*> stacking{
        sidebar,      current,       next,        currentLabel, nextLabel,   timerLabel,
        timerCaption, paceLine,      clockLabel,  clockCaption, statusLabel, hintLabel,
        prevButton,   nextButton,    startButton, blackButton,  pauseButton, resetButton,
        screenPopup,  screenCaption, openButton,  emptyLabel,   ontimeBlock, stagetimerBlock,
        notesPane,    sidebarHandle, slideHandle, notesHandle};
    for (QWidget* child : stacking) {
        child->setParent(this);
        child->raise();
    }
    wireSplitHandles();
    sidebar->onColumnsChanged = [this] { layoutAll(); };

    setAcceptDrops(true);
    layoutAll();
}

double PresenterView::sidebarFraction() const {
    return storedFraction(sidebarKey, 0.1);
}

double PresenterView::slideSplit() const {
    return storedFraction(splitKey, 0.62);
}

double PresenterView::notesSplit() const {
    return storedFraction(notesKey, 0.45);
}

// The handles report where the pointer is; the proportions follow from that position alone.
// They are children of this view, so their callbacks never outlive it.
void PresenterView::wireSplitHandles() {
    sidebarHandle->onDrag = [this](double x) {
        if (width() <= 0)
            return;
        Preferences::setValue(sidebarKey, std::clamp(x / width() / sidebar->columns(), 0.05, 0.5));
        layoutAll();
    };
    sidebarHandle->onReset = [this] {
        Preferences::setValue(sidebarKey, 0.1);
        layoutAll();
    };
    slideHandle->onDrag = [this](double x) {
        const double left = sidebar->geometry().x() + sidebar->geometry().width() + 20;
        const double fraction = (x - left - 10) / std::max(1.0, width() - left - 20 - 20);
        Preferences::setValue(splitKey, std::clamp(fraction, 0.3, 0.85));
        layoutAll();
    };
    slideHandle->onReset = [this] {
        Preferences::setValue(splitKey, 0.62);
        layoutAll();
    };
    // The notes' upper edge follows the pointer: their share of the slides' height.
    notesHandle->onDrag = [this](double y) {
        const double notesBottom = height() - PresenterLayout::controlsHeight;
        const double maxH = notesBottom - PresenterLayout::slidesTop;
        const double share = (notesBottom - y) / std::max(1.0, maxH);
        Preferences::setValue(notesKey, std::clamp(share, 0.15, 0.8));
        layoutAll();
    };
    notesHandle->onReset = [this] {
        Preferences::setValue(notesKey, 0.45);
        layoutAll();
    };
}

void PresenterView::resetLayout() {
    Preferences::remove(sidebarKey);
    Preferences::remove(splitKey);
    Preferences::remove(notesKey);
    sidebar->setColumns(1);
    layoutAll();
}

void PresenterView::update(const QString& jumpBuffer) {
    layoutAll();
    sidebar->reload();
    if (!presentation || presentation->pageCount < 1)
        return;
    const qint64 index = presentation->index;
    const qint64 pageCount = presentation->pageCount;

    if (current->needsRefreshFor(index)) {
        current->setPage(index);
        current->refresh();
    }
    current->setBlank(Blank::none);
    // Hidden pages are not shown next: the talk steps over them.
    const qint64 after = deckNotes ? deckNotes->step(index, +1) : index + 1;
    const std::optional<qint64> following =
        after > index && after < pageCount ? std::optional<qint64>(after) : std::nullopt;
    if (next->needsRefreshFor(following)) {
        next->setPage(following);
        next->refresh();
    }
    notesPane->setNotesPage(
        presentation->notesSide != NotesSide::none ? std::optional<qint64>(index) : std::nullopt);
    if (deckNotes) {
        notesPane->setDeckFontSize(deckNotes->sidecar().noteFontSize);
        notesPane->setNotes(deckNotes->notesFor(index, presentation->annotationNotes(index)));
    }

    currentLabel->setText(L10n::format("Aktuelle Folie  %d / %d", {index + 1, pageCount}));
    nextLabel->setText(!following ? L10n::lookup("Nächste Folie")
                                  : L10n::format("Nächste Folie  %d", {*following + 1}));

    const Blank blank = presentation->blank;
    if (!jumpBuffer.isEmpty()) {
        statusLabel->setText(L10n::format("Springe zu Folie %@ … (⏎)", {jumpBuffer}));
        LabelStyle::setTextColour(statusLabel, Colors::orange);
    } else if (!warning.isEmpty()) {
        statusLabel->setText(warning);
        LabelStyle::setTextColour(statusLabel, Colors::red);
    } else if (blank != Blank::none) {
        statusLabel->setText(blank == Blank::black ? L10n::lookup("● Publikum sieht SCHWARZBILD")
                                                   : L10n::lookup("● Publikum sieht WEISSBILD"));
        LabelStyle::setTextColour(statusLabel, Colors::orange);
    } else if (!notice.isEmpty()) {
        statusLabel->setText(notice);
        LabelStyle::setTextColour(statusLabel, Colors::orange);
    } else {
        statusLabel->setText(!note.isEmpty() ? note
                             : !presentation->isPresenting
                                 ? L10n::lookup("Präsentation läuft nicht")
                                 : QString());
        LabelStyle::setTextColour(statusLabel, Colors::grey(0.55));
    }

    startButton->setText(presentation->isPresenting ? L10n::lookup("Präsentation beenden (Esc)")
                                                    : L10n::lookup("Präsentation starten (F5)"));
    blackButton->setText(blank == Blank::black ? L10n::lookup("Bild wieder zeigen (B)")
                                               : L10n::lookup("Schwarzbild (B)"));
    prefetch();
    sidebar->select(index);
}

void PresenterView::prefetch() {
    SlideRenderer* renderer = presentation->renderer.get();
    if (!renderer)
        return;
    const qint64 index = presentation->index;
    // The pages the next steps reach: hidden ones are stepped over.
    const auto step = [this](qint64 from, int direction) {
        return deckNotes ? deckNotes->step(from, direction) : from + direction;
    };
    const qint64 ahead1 = step(index, +1);
    const qint64 ahead2 = step(ahead1, +1);
    const qint64 ahead3 = step(ahead2, +1);
    const qint64 back1 = step(index, -1);
    QList<SlideRenderer::Key> keys;
    const auto add = [&](const SlideView* view, std::initializer_list<qint64> pages, qint64 shown) {
        if (view->width() <= 1)
            return;
        const QSize pixels = view->drawnKeySize();
        for (qint64 page : pages) {
            const bool listed = std::any_of(keys.begin(), keys.end(), [&](const auto& key) {
                return key.page == page && key.width == pixels.width();
            });
            if (page != shown && !listed && page >= 0 && page < presentation->pageCount)
                keys.append({page, pixels.width(), pixels.height()});
        }
    };
    add(current, {ahead1, ahead2, back1}, index);
    add(next, {ahead2, ahead3}, ahead1);
    // One list for the whole console, so the one made after a jump drops the old pages.
    renderer->prefetch(this, RenderPriority::consolePrefetch, keys);
}

void PresenterView::resizeEvent(QResizeEvent*) {
    layoutAll();
}

void PresenterView::setTimeFont(QLabel* label, int pixelSize, QFont::Weight weight) {
    if (label->font().pixelSize() != pixelSize)
        label->setFont(LabelStyle::timeFont(pixelSize, weight));
}

void PresenterView::layoutAll() {
    using namespace PresenterLayout;
    Input input;
    input.width = width();
    input.height = height();
    input.hasPages = presentation && presentation->pageCount > 0;
    input.sidebarFraction = sidebarFraction();
    input.thumbnailColumns = sidebar->columns();
    input.slideSplit = slideSplit();
    input.aspect = presentation ? presentation->aspect : 16.0 / 9.0;
    input.activeBlock = showsOntime       ? Block::Ontime
                        : showsStagetimer ? Block::Stagetimer
                                          : Block::None;
    input.blockHeight = ExternalTimerBlock::standardHeight;
    input.notesWanted = deckNotes != nullptr;
    input.notesSplit = notesSplit();
    const Frames frames = PresenterLayout::layoutAll(input);
    const auto place = [](QWidget* view, const QRectF& frame) {
        view->setGeometry(rounded(frame));
    };

    place(sidebar, frames.sidebar);
    place(current, frames.current);
    place(next, frames.next);
    place(sidebarHandle, frames.sidebarHandle);
    place(slideHandle, frames.slideHandle);
    place(notesPane, frames.notes);
    place(notesHandle, frames.notesHandle);
    notesPane->setVisible(frames.notesShown);
    notesHandle->setVisible(frames.notesShown);
    place(currentLabel, frames.currentLabel);
    place(nextLabel, frames.nextLabel);
    place(statusLabel, frames.statusLabel);
    place(timerCaption, frames.timerCaption);
    place(timerLabel, frames.timerLabel);
    place(paceLine, frames.paceLine);
    place(pauseButton, frames.pauseButton);
    place(resetButton, frames.resetButton);
    place(startButton, frames.startButton);
    place(blackButton, frames.blackButton);
    place(nextButton, frames.nextButton);
    place(prevButton, frames.prevButton);
    place(screenCaption, frames.screenCaption);
    place(screenPopup, frames.screenPopup);
    place(hintLabel, frames.hintLabel);
    place(clockCaption, frames.clockCaption);
    place(clockLabel, frames.clockLabel);
    setTimeFont(timerLabel, int(std::lround(44 * frames.timeScale)), QFont::Medium);
    setTimeFont(clockLabel, int(std::lround(28 * frames.timeScale)), QFont::Normal);
    place(openButton, frames.openButton);
    place(emptyLabel, frames.emptyLabel);
    if (input.activeBlock == Block::Ontime)
        place(ontimeBlock, frames.block);
    if (input.activeBlock == Block::Stagetimer)
        place(stagetimerBlock, frames.block);
    ontimeBlock->setVisible(input.activeBlock == Block::Ontime);
    stagetimerBlock->setVisible(input.activeBlock == Block::Stagetimer);

    for (QWidget* view : {static_cast<QWidget*>(sidebar), static_cast<QWidget*>(current),
                          static_cast<QWidget*>(next), static_cast<QWidget*>(currentLabel),
                          static_cast<QWidget*>(nextLabel), static_cast<QWidget*>(statusLabel),
                          static_cast<QWidget*>(sidebarHandle), static_cast<QWidget*>(slideHandle)})
        view->setVisible(frames.slidesShown);
    for (QWidget* view : {static_cast<QWidget*>(timerCaption), static_cast<QWidget*>(timerLabel),
                          static_cast<QWidget*>(pauseButton), static_cast<QWidget*>(resetButton)})
        view->setVisible(frames.talkTimerShown);
    paceLine->setVisible(frames.talkTimerShown && showsPace);
    clockCaption->setVisible(frames.clockShown);
    clockLabel->setVisible(frames.clockShown);
    openButton->setVisible(frames.emptyStateShown);
    emptyLabel->setVisible(frames.emptyStateShown);
    for (QPushButton* button : {prevButton, nextButton, startButton, blackButton})
        button->setEnabled(frames.navigationEnabled);

    hintLabel->setText(
        hintLabel->fontMetrics().elidedText(hintText, Qt::ElideRight, hintLabel->width()));
}

std::optional<QUrl> PresenterView::pdfUrl(const QMimeData* data) {
    if (!data || !data->hasUrls())
        return std::nullopt;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() &&
            QFileInfo(url.toLocalFile()).suffix().toLower() == QLatin1String("pdf"))
            return url;
    }
    return std::nullopt;
}

void PresenterView::dragEnterEvent(QDragEnterEvent* event) {
    if (pdfUrl(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void PresenterView::dragMoveEvent(QDragMoveEvent* event) {
    if (pdfUrl(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void PresenterView::dropEvent(QDropEvent* event) {
    const std::optional<QUrl> url = pdfUrl(event->mimeData());
    const bool opened = url && openDroppedFile && openDroppedFile(*url);
    if (opened) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}
