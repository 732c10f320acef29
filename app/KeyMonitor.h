// The application-wide key monitor: sees each key press before any window or menu and turns the
// presenter keys into commands.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QKeyEvent;
class QWidget;
class QWindow;

// What the presenter keys read and drive; the application controller implements it.
class KeyTarget {
public:
    virtual ~KeyTarget() = default;

    virtual int pageCount() const = 0;
    virtual int slideIndex() const = 0;
    virtual bool isBlanked() const = 0;
    virtual bool isPresenting() const = 0;
    virtual QString jumpBuffer() const = 0;
    virtual void setJumpBuffer(const QString& digits) = 0;

    // The slide one step away (+1 next, -1 previous); the controller steps over hidden pages.
    virtual int neighbour(int direction) const { return slideIndex() + direction; }
    // Moves to a slide (clamped by the deck, ending any blanking); refresh() follows separately.
    virtual void goTo(int index) = 0;
    virtual void refresh() = 0;
    virtual void toggleBlack() = 0;
    virtual void toggleWhite() = 0;
    virtual void unblank() = 0;
    virtual void startPresentation() = 0;
    virtual void stopPresentation() = 0;
    // Closes the timer choice, if it is open, as "not now"; a start key does this first.
    virtual void setTimerChoiceAside() {}
    // The question whether to quit a running talk is open: Esc answers it.
    virtual bool asksToQuit() const { return false; }

    // The windows whose keys are presenter keys; null while a window does not exist.
    virtual QWidget* presenterWindow() const = 0;
    virtual QWidget* audienceWindow() const = 0;
};

namespace KeyRules {

enum class Command {
    None,
    Next,
    Previous,
    Jump,
    First,
    Last,
    Escape,
    F5,
    ToggleBlack,
    ToggleWhite,
    Digit,
    // Ctrl+Return and Ctrl+Shift+Return: the menu's keys, taken here only while a dialog blocks
    // the menu.
    TogglePresentation,
    StartFromBeginning,
};

// The command a key stands for, from the key code first and then from its characters.
// Other keys held with Ctrl, Alt or Meta stand for none: they belong to the menus.
Command commandFor(int key, Qt::KeyboardModifiers modifiers, const QString& text);

// Whether the key pressed in `receiver` is the presenter's: a document is open, and either the
// key window is the presenter or audience window, or a dialog is up and the key may pass it
// (see the rules in the source).
bool appliesTo(const KeyTarget& target, Command command, const QWindow* receiver);

// Carries out a command; `shifted` matters for F5 only, `text` for a digit only.
void perform(KeyTarget& target, Command command, bool shifted, const QString& text);

// The whole decision for one key press; true when the key was taken.
bool handleKey(KeyTarget& target, const QKeyEvent& event, const QWindow* receiver);

} // namespace KeyRules

class KeyMonitor : public QObject {
    Q_OBJECT
public:
    // `owner` is the object behind `target`; once it is gone every key passes.
    KeyMonitor(QObject* owner, KeyTarget* target);
    ~KeyMonitor() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QObject> owner;
    KeyTarget* target;
};
