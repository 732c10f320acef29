// The presenter window's content: current and next slide, captions, status line, talk timer,
// clock, buttons, output-screen chooser and key reference, laid out by hand.
#pragma once

#include "document/Presentation.h"
#include "ui/console/PresenterLayout.h"

#include <QFont>
#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <optional>

class DeckNotes;
class ExternalTimerBlock;
class NotesPane;
class PaceLine;
class QComboBox;
class QLabel;
class QMimeData;
class QPushButton;
class SlideView;
class SplitHandle;
class ThumbnailSidebar;

class PresenterView : public QWidget {
    Q_OBJECT
public:
    explicit PresenterView(Presentation* presentation, QWidget* parent = nullptr);

    using QWidget::update;
    // Brings every label, button and slide in line with the deck; `jumpBuffer` holds the digits
    // the speaker has typed so far.
    void update(const QString& jumpBuffer);
    // A line for the status label while no slide number is typed and nothing is blanked.
    void setNotice(const QString& text) { notice = text; }
    void resetLayout();

    double sidebarFraction() const;
    double slideSplit() const;
    double notesSplit() const;

    // The first local file ending in ".pdf" (any letter case) among dragged data.
    static std::optional<QUrl> pdfUrl(const QMimeData* data);

    // Opens a dropped file; answers whether it was opened. Set by the application controller.
    std::function<bool(const QUrl&)> openDroppedFile;

    QPointer<Presentation> presentation;
    // The open deck's notes and hidden pages; set by the controller, which owns them. Without
    // them the console has no notes pane.
    const DeckNotes* deckNotes = nullptr;
    ThumbnailSidebar* sidebar;
    SlideView* current;
    SlideView* next;
    QLabel* currentLabel;
    QLabel* nextLabel;
    QLabel* timerLabel;
    QLabel* timerCaption;
    // Under the talk timer while a talk is planned (`showsPace`).
    PaceLine* paceLine;
    bool showsPace = false;
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
    bool showsOntime = false;
    bool showsStagetimer = false;
    // Status-line texts the controller sets before update(): a warning that outranks the
    // blanking state, and a note shown when nothing else is to say.
    QString warning;
    QString note;
    QPushButton* prevButton;
    QPushButton* nextButton;
    QPushButton* startButton;
    QPushButton* blackButton;
    QPushButton* pauseButton;
    QPushButton* resetButton;
    QComboBox* screenPopup;
    QLabel* screenCaption;
    QPushButton* openButton;
    QLabel* emptyLabel;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void layoutAll();
    static void setTimeFont(QLabel* label, int pixelSize, QFont::Weight weight);
    void prefetch();
    void wireSplitHandles();

    QString hintText;
    QString notice;
};
