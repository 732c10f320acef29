// The presenter window's content: current and next slide, captions, status line, talk timer,
// clock, buttons, output-screen chooser and key reference, laid out by hand. It shows what it is
// given through its setters and says what the speaker does through its signals and actions.
#pragma once

#include "document/Blank.h"
#include "document/Deck.h"
#include "notes/DeckNotes.h"
#include "notes/SlideStructure.h"
#include "pacing/TalkTimer.h"
#include "ui/console/PresenterLayout.h"
#include "ui/timers/ExternalTimerBlock.h"

#include <QColor>
#include <QFont>
#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <optional>

class NotesPane;
class PaceLine;
class QAction;
class QComboBox;
class QLabel;
class QPushButton;
class QWheelEvent;
class SlideView;
class SplitHandle;
class ThumbnailSidebar;

class PresenterView : public QWidget {
    Q_OBJECT
public:
    explicit PresenterView(QWidget* parent = nullptr);

    // The deck the slide views, the thumbnails and the notes picture show; null for none.
    void setDeck(Deck* deck);
    // Whether the console has a notes pane beside or below the slides.
    void setNotesWanted(bool wanted);

    // The talk as the console shows it.
    struct Slides {
        qint64 page = 0;
        // The page the next view shows, if any: how the next slide ends, or the next page; none
        // past the end of the talk proper.
        std::optional<qint64> next;
        Blank blank = Blank::none;
        bool presenting = false;
        // The slide number typed so far, and one typed before that named no slide.
        QString typed;
        std::optional<qint64> missing;
        // The deck's slides as its author made them.
        SlideStructure structure;
        // On decks with notes pages, the page whose notes half the notes pane shows.
        std::optional<qint64> notesPage;
        QList<DeckNotes::Note> notes;
        // The deck's own notes size (its sidecar's), if it has one.
        std::optional<double> notesFontSize;
    };
    // Brings every label, button and slide view in line with the talk.
    void showSlides(const Slides& slides);
    // The status line's texts besides the typed number and blanking: a warning that outranks
    // the blanking state, a notice below it, and a note for when nothing else is to say.
    void setStatus(const QString& warning, const QString& notice, const QString& note);
    // The talk timer; the pace line under it while a plan gives a reading.
    void showTalkTimer(const TalkTimer::Display& display,
                       const std::optional<TalkPace::Reading>& pace);
    void showClock(const QString& time);
    // The external timer shown in place of the talk timer, or none.
    void showTimerBlock(PresenterLayout::Block block, const TimerBlockContent& content = {});

    struct ScreenChoice {
        QString title;
        QString value;
    };
    // The output-screen chooser's items, the one selected and the caption beside it.
    void setScreenChoices(const QList<ScreenChoice>& choices, int selected, const QString& caption);

    // What the buttons trigger; the wheel over the slide views steps with previous and next.
    struct Commands {
        QAction* previous = nullptr;
        QAction* next = nullptr;
        QAction* startOrEnd = nullptr;
        QAction* black = nullptr;
        QAction* pause = nullptr;
        QAction* reset = nullptr;
        QAction* open = nullptr;
    };
    void setCommands(const Commands& commands);

    void setThumbnailColumns(int columns);
    // Steps the notes' size: +1 larger, -1 smaller.
    void changeNotesSize(int steps);
    void resetLayout();

    // The sizes each page is drawn at for the current and the next slide view; empty while the
    // view is hidden.
    QSize currentSlidePixels() const;
    QSize nextSlidePixels() const;
    // Where the current slide shows, in global coordinates; empty while it is hidden.
    QRect currentSlideArea() const;
    // Where the slides, their captions and the notes are: what the overview covers.
    QRect slideArea() const;
    // The current slide's view, for the tools that draw over it.
    SlideView* currentView() const { return current; }
    // The thumbnail of `slide`, scrolled into view; null when it cannot be shown.
    SlideView* thumbnail(qint64 slide);

    // Everything the console shows, as text and colour: what a person reads off the screen.
    struct Readout {
        QString status;
        QColor statusColour;
        QString currentLabel;
        QString nextLabel;
        std::optional<qint64> nextPage;
        QString startButton;
        QString blackButton;
        QString pauseButton;
        QString timer;
        QString timerCaption;
        QColor timerColour;
        QString clock;
        bool emptyState = false;
        int columns = 1;
        int sidebarWidth = 0;
        qint64 selectedThumbnail = -1;
        // One thumbnail per slide; those of hidden slides are marked.
        qint64 thumbnailCount = 0;
        QList<qint64> hiddenThumbnails;
        bool notesShown = false;
        double notesFontSize = 0;
        QStringList screenChoices;
        int screenSelected = -1;
        QString screenCaption;
        PresenterLayout::Block block = PresenterLayout::Block::None;
        QString blockCaption;
        QString blockTime;
        QColor blockTimeColour;
        QString blockMessage;
        double blockMessageOpacity = 0;
        QString blockSecondary;
        QString blockStatus;
    };
    Readout readout() const;

    double sidebarFraction() const;
    double slideSplit() const;
    double notesSplit() const;

signals:
    // A click on a thumbnail: the page its slide starts on.
    void slideClicked(qint64 page);
    // A PDF dropped on the console.
    void fileDropped(const QUrl& url);
    // The speaker chose an output screen: the chosen item's value.
    void screenChosen(const QString& value);
    // The children were placed anew.
    void laidOut();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void layoutAll();
    void showStatus();
    static void setTimeFont(QLabel* label, int pixelSize, QFont::Weight weight);
    void wireSplitHandles();
    // One notch of the wheel over a slide view is one step through the deck.
    void wheelTurned(const QWheelEvent& event);

    QPointer<Deck> deck;
    Slides slides;
    QString warning;
    QString notice;
    QString note;
    PresenterLayout::Block block = PresenterLayout::Block::None;
    bool showsPace = false;
    bool notesWanted = false;
    QString hintText;
    QPointer<QAction> previousCommand;
    QPointer<QAction> nextCommand;
    // The wheel's turn towards the next step not yet stepped, in eighths of a degree: a
    // touchpad's small movements add up to a notch.
    int wheelAngle = 0;

    ThumbnailSidebar* sidebar;
    SlideView* current;
    SlideView* next;
    QLabel* currentLabel;
    QLabel* nextLabel;
    QLabel* timerLabel;
    QLabel* timerCaption;
    PaceLine* paceLine;
    QLabel* clockLabel;
    QLabel* clockCaption;
    QLabel* statusLabel;
    QLabel* hintLabel;
    ExternalTimerBlock* ontimeBlock;
    ExternalTimerBlock* stagetimerBlock;
    SplitHandle* sidebarHandle;
    SplitHandle* slideHandle;
    NotesPane* notesPane;
    SplitHandle* notesHandle;
    QPushButton* prevButton;
    QPushButton* nextButton;
    QPushButton* startButton;
    QPushButton* blackButton;
    QPushButton* pauseButton;
    QPushButton* resetButton;
    QComboBox* screenChooser;
    QLabel* screenCaption;
    QPushButton* openButton;
    QLabel* emptyLabel;
};
