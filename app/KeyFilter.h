// The application-wide key filter: sees each key press before any window or menu and turns the
// presenter keys (a clicker's included) into the program's actions.
#pragma once

#include "app/Actions.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>

class QKeyEvent;
class SlideShow;
class QWidget;
class QWindow;

// What the rules read: the deck, the talk and the windows whose keys are presenter keys.
struct KeyContext {
    qint64 pageCount = 0;
    bool presenting = false;
    // The question whether to quit a running talk is open: Esc answers it.
    bool asksToQuit = false;
    // Null while a window does not exist.
    const QWidget* presenterWindow = nullptr;
    const QWidget* audienceWindow = nullptr;
    // The slide overview covers the console: the keys it moves its selection with are its own.
    bool overviewOpen = false;
};

namespace KeyRules {

enum class Command {
    None,
    Next,
    Previous,
    // Shift+Right and Shift+Page Down, Shift+Left and Shift+Page Up: a whole slide.
    NextSlide,
    PreviousSlide,
    Jump,
    First,
    Last,
    Escape,
    F5,
    ToggleBlack,
    ToggleWhite,
    // S: leaves out the slides the console offers when the talk runs late.
    SkipSlides,
    // The presenter tools: one letter each.
    Pointer,
    Spotlight,
    Pen,
    Highlighter,
    Eraser,
    Undo,
    ClearSlide,
    NextColour,
    NextWidth,
    Zoom,
    // Shift+Z: zooms at once to the part under the mouse.
    ZoomHere,
    Freeze,
    Whiteboard,
    Digit,
    // Ctrl+Return and Ctrl+Shift+Return: the menu's keys, taken here only while a dialog blocks
    // the menu.
    TogglePresentation,
    StartFromBeginning,
    // Tab: the slide overview, opened or left.
    Overview,
    // Alt+Left: back to the page before the last link jump.
    LinkBack,
    // Alt+Right: forward again to where that jump led.
    LinkForward,
    // M: starts or pauses the slide's video.
    ToggleMedia,
};

// The command a key stands for, from the key code first and then from its characters.
// Other keys held with Ctrl, Alt or Meta stand for none: they belong to the menus.
Command commandFor(int key, Qt::KeyboardModifiers modifiers, const QString& text);

// Whether the key pressed in `receiver` is the presenter's: a document is open, and either the
// key window is the presenter or audience window, or a dialog is up and the key may pass it
// (see the rules in the source). The overview's keys typed at the console are the overview's.
bool appliesTo(const KeyContext& context, Command command, const QWindow* receiver);

// The action a command triggers; none for a digit, which is typed into the slide number.
std::optional<Actions::Id> actionFor(Command command, bool shifted, bool presenting);

} // namespace KeyRules

class KeyFilter : public QObject {
    Q_OBJECT
public:
    // Installs itself on the application; keys are taken only while `show` has a deck.
    KeyFilter(const Actions& actions, SlideShow& show, QObject* parent = nullptr);
    ~KeyFilter() override;

    void setWindows(QWidget* presenter, QWidget* audience);
    // Whether the question to quit a running talk is open.
    std::function<bool()> asksToQuit;
    // Whether the slide overview is open.
    std::function<bool()> overviewOpen;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    KeyContext context() const;

    const Actions& actions;
    SlideShow& show;
    QPointer<QWidget> presenter;
    QPointer<QWidget> audience;
};
