#include "ui/console/PresenterView.h"

#include "base/Colors.h"
#include "base/L10n.h"
#include "base/Preferences.h"
#include "document/Deck.h"
#include "ui/common/KeyNames.h"
#include "ui/common/LabelStyle.h"
#include "ui/common/PdfDrop.h"
#include "ui/common/SlideView.h"
#include "ui/console/NotesPane.h"
#include "ui/console/PaceLine.h"
#include "ui/console/SplitHandle.h"
#include "ui/console/ThumbnailSidebar.h"
#include "ui/timers/ExternalTimerBlock.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QPushButton>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>

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

PresenterView::PresenterView(QWidget* parent) : QWidget(parent) {
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
    screenChooser = new QComboBox;
    screenChooser->setFocusPolicy(Qt::NoFocus);
    screenChooser->setFont(LabelStyle::interfaceFont(13, QFont::Normal));
    connect(screenChooser, &QComboBox::activated, this,
            [this](int index) { emit screenChosen(screenChooser->itemData(index).toString()); });

    // Stacking order: later children lie on top.
    const QList<QWidget*> stacking{
        sidebar,       current,       next,        currentLabel, nextLabel,   timerLabel,
        timerCaption,  paceLine,      clockLabel,  clockCaption, statusLabel, hintLabel,
        prevButton,    nextButton,    startButton, blackButton,  pauseButton, resetButton,
        screenChooser, screenCaption, openButton,  emptyLabel,   ontimeBlock, stagetimerBlock,
        notesPane,     sidebarHandle, slideHandle, notesHandle};
    for (QWidget* child : stacking) {
        child->setParent(this);
        child->raise();
    }
    wireSplitHandles();
    current->installEventFilter(this);
    next->installEventFilter(this);
    connect(sidebar, &ThumbnailSidebar::columnsChanged, this, [this] { layoutAll(); });
    connect(sidebar, &ThumbnailSidebar::slideClicked, this, &PresenterView::slideClicked);
    // Names for what looks at the console from outside, as a person would, by what it shows.
    const std::pair<QWidget*, const char*> names[] = {
        {sidebar, "thumbnails"},      {current, "currentSlide"},
        {next, "nextSlide"},          {currentLabel, "currentLabel"},
        {nextLabel, "nextLabel"},     {statusLabel, "status"},
        {timerLabel, "timer"},        {clockLabel, "clock"},
        {hintLabel, "keys"},          {notesPane, "notes"},
        {notesHandle, "notesHandle"}, {sidebarHandle, "sidebarHandle"},
        {slideHandle, "slideHandle"}, {prevButton, "previousButton"},
        {nextButton, "nextButton"},   {startButton, "startButton"},
        {blackButton, "blackButton"}, {pauseButton, "pauseButton"},
        {resetButton, "resetButton"}, {openButton, "openButton"},
        {emptyLabel, "emptyState"},   {screenChooser, "screenChooser"}};
    for (const auto& [widget, name] : names)
        widget->setObjectName(QString::fromLatin1(name));

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
void PresenterView::wireSplitHandles() {
    connect(sidebarHandle, &SplitHandle::dragged, this, [this](double x) {
        if (width() <= 0)
            return;
        Preferences::setValue(sidebarKey, std::clamp(x / width() / sidebar->columns(), 0.05, 0.5));
        layoutAll();
    });
    connect(sidebarHandle, &SplitHandle::resetAsked, this, [this] {
        Preferences::setValue(sidebarKey, 0.1);
        layoutAll();
    });
    connect(slideHandle, &SplitHandle::dragged, this, [this](double x) {
        const double left = sidebar->geometry().x() + sidebar->geometry().width() + 20;
        const double fraction = (x - left - 10) / std::max(1.0, width() - left - 20 - 20);
        Preferences::setValue(splitKey, std::clamp(fraction, 0.3, 0.85));
        layoutAll();
    });
    connect(slideHandle, &SplitHandle::resetAsked, this, [this] {
        Preferences::setValue(splitKey, 0.62);
        layoutAll();
    });
    // The notes' upper edge follows the pointer: their share of the slides' height.
    connect(notesHandle, &SplitHandle::dragged, this, [this](double y) {
        const double notesBottom = height() - PresenterLayout::controlsHeight;
        const double maxH = notesBottom - PresenterLayout::slidesTop;
        const double share = (notesBottom - y) / std::max(1.0, maxH);
        Preferences::setValue(notesKey, std::clamp(share, 0.15, 0.8));
        layoutAll();
    });
    connect(notesHandle, &SplitHandle::resetAsked, this, [this] {
        Preferences::setValue(notesKey, 0.45);
        layoutAll();
    });
}

void PresenterView::resetLayout() {
    Preferences::remove(sidebarKey);
    Preferences::remove(splitKey);
    Preferences::remove(notesKey);
    sidebar->setColumns(1);
    layoutAll();
}

void PresenterView::setDeck(Deck* shown) {
    deck = shown;
    sidebar->setDeck(shown);
    current->setDeck(shown);
    next->setDeck(shown);
    notesPane->setDeck(shown);
    layoutAll();
}

void PresenterView::setNotesWanted(bool wanted) {
    notesWanted = wanted;
    layoutAll();
}

void PresenterView::showSlides(const Slides& shown) {
    slides = shown;
    layoutAll();
    sidebar->setSlides(slides.structure);
    showStatus();
    const qint64 pageCount = deck ? deck->pageCount() : 0;
    if (pageCount < 1)
        return;
    const qint64 index = slides.page;
    if (current->needsRefreshFor(index)) {
        current->setPage(index);
        current->refresh();
    }
    // The speaker keeps seeing the slide, dimmed, and what the audience sees instead.
    current->setBlank(Blank::none);
    current->setVeil(
        slides.blank == Blank::black
            ? std::optional<SlideView::Veil>(
                  {QColor(0, 0, 0, Colors::blankVeilAlpha), L10n::lookup("Schwarz"), Qt::white})
        : slides.blank == Blank::white
            ? std::optional<SlideView::Veil>({QColor(255, 255, 255, Colors::blankVeilAlpha),
                                              L10n::lookup("Weiß"), Colors::grey(0.2)})
            : std::nullopt);
    if (next->needsRefreshFor(slides.next)) {
        next->setPage(slides.next);
        next->refresh();
    }
    notesPane->setNotesPage(slides.notesPage);
    if (notesWanted) {
        notesPane->setDeckFontSize(slides.notesFontSize);
        notesPane->setNotes(slides.notes);
    }

    // Counted as the author made the deck: the steps that build a slide up are one slide.
    const SlideStructure& structure = slides.structure;
    const qint64 slide = structure.slideOf(index);
    currentLabel->setText(
        structure.stepCount(slide) > 1
            ? L10n::format("Aktuelle Folie  %d / %d  ·  Schritt %d / %d",
                           {slide + 1, structure.slideCount(), structure.stepOf(index) + 1,
                            structure.stepCount(slide)})
            : L10n::format("Aktuelle Folie  %d / %d", {slide + 1, structure.slideCount()}));
    if (!slides.next) {
        nextLabel->setText(L10n::lookup("Nächste Folie"));
    } else {
        // A step short of how its slide ends says which.
        const qint64 shown = structure.slideOf(*slides.next);
        nextLabel->setText(*slides.next != structure.lastShownStep(shown)
                               ? L10n::format("Nächste Folie  %d  ·  Schritt %d / %d",
                                              {shown + 1, structure.stepOf(*slides.next) + 1,
                                               structure.stepCount(shown)})
                               : L10n::format("Nächste Folie  %d", {shown + 1}));
    }
    startButton->setText(slides.presenting ? L10n::lookup("Präsentation beenden (Esc)")
                                           : L10n::lookup("Präsentation starten (F5)"));
    blackButton->setText(slides.blank == Blank::black ? L10n::lookup("Bild wieder zeigen (B)")
                                                      : L10n::lookup("Schwarzbild (B)"));
    sidebar->select(slide);
}

void PresenterView::setStatus(const QString& warningText, const QString& noticeText,
                              const QString& noteText) {
    warning = warningText;
    notice = noticeText;
    note = noteText;
    showStatus();
}

void PresenterView::showStatus() {
    if (!slides.typed.isEmpty()) {
        statusLabel->setText(L10n::format("Springe zu Folie %@ … (⏎)", {slides.typed}));
        LabelStyle::setTextColour(statusLabel, Colors::orange);
    } else if (slides.missing) {
        const qint64 count = slides.structure.slideCount();
        statusLabel->setText(
            count == 1
                ? L10n::format("Folie %d gibt es nicht (eine Folie)", {*slides.missing})
                : L10n::format("Folie %d gibt es nicht (%d Folien)", {*slides.missing, count}));
        LabelStyle::setTextColour(statusLabel, Colors::orange);
    } else if (!warning.isEmpty()) {
        statusLabel->setText(warning);
        LabelStyle::setTextColour(statusLabel, Colors::red);
    } else if (slides.blank != Blank::none) {
        statusLabel->setText(slides.blank == Blank::black
                                 ? L10n::lookup("● Publikum sieht SCHWARZBILD")
                                 : L10n::lookup("● Publikum sieht WEISSBILD"));
        LabelStyle::setTextColour(statusLabel, Colors::orange);
    } else if (!notice.isEmpty()) {
        statusLabel->setText(notice);
        LabelStyle::setTextColour(statusLabel, Colors::orange);
    } else {
        statusLabel->setText(!note.isEmpty()      ? note
                             : !slides.presenting ? L10n::lookup("Präsentation läuft nicht")
                                                  : QString());
        LabelStyle::setTextColour(statusLabel, Colors::grey(0.55));
    }
}

void PresenterView::showTalkTimer(const TalkTimer::Display& display,
                                  const std::optional<TalkPace::Reading>& pace) {
    if (pace)
        paceLine->setReading(*pace);
    timerLabel->setText(display.time);
    LabelStyle::setTextColour(timerLabel, display.colour);
    timerCaption->setText(display.caption);
    pauseButton->setText(display.pauseTitle);
    if (showsPace != pace.has_value()) {
        showsPace = pace.has_value();
        layoutAll();
    }
}

void PresenterView::showClock(const QString& time) {
    clockLabel->setText(time);
}

void PresenterView::showTimerBlock(PresenterLayout::Block shown, const TimerBlockContent& content) {
    if (shown == PresenterLayout::Block::Ontime)
        ontimeBlock->display(content);
    if (shown == PresenterLayout::Block::Stagetimer)
        stagetimerBlock->display(content);
    if (shown != block) {
        block = shown;
        layoutAll();
    }
}

void PresenterView::setScreenChoices(const QList<ScreenChoice>& choices, int selected,
                                     const QString& caption) {
    screenChooser->clear();
    for (const ScreenChoice& choice : choices)
        screenChooser->addItem(choice.title, choice.value);
    screenChooser->setCurrentIndex(selected);
    screenCaption->setText(caption);
}

void PresenterView::setCommands(const Commands& commands) {
    const std::pair<QPushButton*, QAction*> buttons[] = {
        {prevButton, commands.previous},    {nextButton, commands.next},
        {startButton, commands.startOrEnd}, {blackButton, commands.black},
        {pauseButton, commands.pause},      {resetButton, commands.reset},
        {openButton, commands.open}};
    for (const auto& [button, action] : buttons) {
        if (action)
            connect(button, &QPushButton::clicked, action, &QAction::trigger);
    }
    previousCommand = commands.previous;
    nextCommand = commands.next;
}

bool PresenterView::eventFilter(QObject* watched, QEvent* event) {
    // The slide views only: the notes and the thumbnails scroll.
    if (event->type() != QEvent::Wheel || (watched != current && watched != next))
        return QWidget::eventFilter(watched, event);
    wheelTurned(*static_cast<QWheelEvent*>(event));
    event->accept();
    return true;
}

void PresenterView::wheelTurned(const QWheelEvent& event) {
    // A touchpad glides on after the fingers lift; that glide would run on through the deck.
    if (event.phase() == Qt::ScrollMomentum)
        return;
    if (event.phase() == Qt::ScrollBegin)
        wheelAngle = 0;
    // Turned towards the speaker, as a page scrolls down: onwards.
    const int turn = -event.angleDelta().y();
    if (turn == 0)
        return;
    // A turn the other way starts afresh.
    if ((turn > 0) != (wheelAngle > 0))
        wheelAngle = 0;
    wheelAngle += turn;
    const int notch = QWheelEvent::DefaultDeltasPerStep;
    const int steps = wheelAngle / notch;
    wheelAngle -= steps * notch;
    QAction* command = steps > 0 ? nextCommand : previousCommand;
    for (int step = 0; command && step < std::abs(steps); ++step)
        command->trigger();
}

void PresenterView::setThumbnailColumns(int columns) {
    sidebar->setColumns(columns);
}

void PresenterView::changeNotesSize(int steps) {
    notesPane->changeFontSize(steps);
}

QSize PresenterView::currentSlidePixels() const {
    return current->width() > 1 && current->isVisible() ? current->drawnKeySize() : QSize();
}

QRect PresenterView::currentSlideArea() const {
    return current->isVisible() ? QRect(current->mapToGlobal(QPoint()), current->size()) : QRect();
}

QSize PresenterView::nextSlidePixels() const {
    return next->width() > 1 && next->isVisible() ? next->drawnKeySize() : QSize();
}

QRect PresenterView::slideArea() const {
    QRect area = current->geometry() | next->geometry() | currentLabel->geometry() |
                 nextLabel->geometry() | statusLabel->geometry();
    if (notesPane->isVisibleTo(this))
        area |= notesPane->geometry() | notesHandle->geometry();
    return area;
}

SlideView* PresenterView::thumbnail(qint64 slide) {
    return sidebar->isVisible() ? sidebar->thumbnail(slide) : nullptr;
}

PresenterView::Readout PresenterView::readout() const {
    const auto colour = [](const QLabel* label) {
        return label->palette().color(QPalette::WindowText);
    };
    Readout shown;
    shown.status = statusLabel->text();
    shown.statusColour = colour(statusLabel);
    shown.currentLabel = currentLabel->text();
    shown.nextLabel = nextLabel->text();
    shown.nextPage = next->page();
    shown.startButton = startButton->text();
    shown.blackButton = blackButton->text();
    shown.pauseButton = pauseButton->text();
    shown.timer = timerLabel->text();
    shown.timerCaption = timerCaption->text();
    shown.timerColour = colour(timerLabel);
    shown.clock = clockLabel->text();
    shown.emptyState = emptyLabel->isVisibleTo(this);
    shown.columns = sidebar->columns();
    shown.sidebarWidth = sidebar->isVisibleTo(this) ? sidebar->width() : 0;
    shown.selectedThumbnail = sidebar->selectedIndex();
    if (sidebar->isVisibleTo(this)) {
        const SlideStructure& thumbnails = sidebar->slides();
        shown.thumbnailCount = thumbnails.slideCount();
        for (qint64 slide = 0; slide < thumbnails.slideCount(); ++slide) {
            if (thumbnails.isHidden(slide))
                shown.hiddenThumbnails.append(slide);
        }
    }
    shown.notesShown = notesPane->isVisibleTo(this);
    shown.notesFontSize = notesPane->fontSize();
    for (int i = 0; i < screenChooser->count(); ++i)
        shown.screenChoices.append(screenChooser->itemText(i));
    shown.screenSelected = screenChooser->currentIndex();
    shown.screenCaption = screenCaption->text();
    const ExternalTimerBlock* visible = ontimeBlock->isVisibleTo(this)       ? ontimeBlock
                                        : stagetimerBlock->isVisibleTo(this) ? stagetimerBlock
                                                                             : nullptr;
    if (!visible)
        return shown;
    shown.block = visible == ontimeBlock ? PresenterLayout::Block::Ontime
                                         : PresenterLayout::Block::Stagetimer;
    shown.blockCaption = visible->captionLabel()->text();
    shown.blockTime = visible->timeLabel()->text();
    shown.blockTimeColour = colour(visible->timeLabel());
    shown.blockMessage = visible->messageLabel()->text();
    shown.blockMessageOpacity = colour(visible->messageLabel()).alphaF();
    shown.blockSecondary = visible->secondaryLabel()->text();
    shown.blockStatus = visible->statusLabel()->text();
    return shown;
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
    input.hasPages = deck && deck->pageCount() > 0;
    input.sidebarFraction = sidebarFraction();
    input.thumbnailColumns = sidebar->columns();
    input.slideSplit = slideSplit();
    input.aspect = deck ? deck->aspect() : 16.0 / 9.0;
    input.activeBlock = block;
    input.blockHeight = ExternalTimerBlock::standardHeight;
    input.notesWanted = notesWanted;
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
    place(screenChooser, frames.screenChooser);
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
    emit laidOut();
}

void PresenterView::dragEnterEvent(QDragEnterEvent* event) {
    PdfDrop::accept(event);
}

void PresenterView::dragMoveEvent(QDragMoveEvent* event) {
    PdfDrop::accept(event);
}

void PresenterView::dropEvent(QDropEvent* event) {
    if (const std::optional<QUrl> url = PdfDrop::accept(event))
        emit fileDropped(*url);
}
