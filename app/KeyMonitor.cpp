#include "app/KeyMonitor.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

namespace KeyRules {

Command commandFor(int key, Qt::KeyboardModifiers modifiers, const QString& text) {
    const Qt::KeyboardModifiers held =
        modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (held == Qt::ControlModifier && (key == Qt::Key_Return || key == Qt::Key_Enter))
        return modifiers & Qt::ShiftModifier ? Command::StartFromBeginning
                                             : Command::TogglePresentation;
    if (held)
        return Command::None;
    switch (key) {
    case Qt::Key_Space:
    case Qt::Key_PageDown:
    case Qt::Key_Right:
    case Qt::Key_Down:
        return Command::Next;
    case Qt::Key_Backspace:
    case Qt::Key_PageUp:
    case Qt::Key_Left:
    case Qt::Key_Up:
        return Command::Previous;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return Command::Jump;
    case Qt::Key_Home:
        return Command::First;
    case Qt::Key_End:
        return Command::Last;
    case Qt::Key_Escape:
        return Command::Escape;
    case Qt::Key_F5:
        return Command::F5;
    default:
        break;
    }
    const QString characters = text.toLower();
    if (characters == QLatin1String("b") || characters == QLatin1String("."))
        return Command::ToggleBlack;
    if (characters == QLatin1String("w") || characters == QLatin1String(","))
        return Command::ToggleWhite;
    if (characters == QLatin1String("n"))
        return Command::Next;
    if (characters == QLatin1String("p"))
        return Command::Previous;
    if (characters.size() == 1 && characters.at(0).isNumber())
        return Command::Digit;
    return Command::None;
}

namespace {

bool isPresenterWindow(const KeyTarget& target, const QWindow* window) {
    for (const QWidget* widget : {target.presenterWindow(), target.audienceWindow()}) {
        if (widget && widget->windowHandle() && widget->windowHandle() == window)
            return true;
    }
    return false;
}

// A dialog that blocks the program, or a sheet on the presenter window.
bool dialogIsUp(const KeyTarget& target) {
    const QWidget* presenter = target.presenterWindow();
    const QWindow* presenterHandle = presenter ? presenter->windowHandle() : nullptr;
    for (const QWindow* window : QGuiApplication::topLevelWindows()) {
        if (!window->isVisible())
            continue;
        if (window->modality() == Qt::ApplicationModal)
            return true;
        if (window->modality() == Qt::WindowModal && presenterHandle) {
            for (const QWindow* parent = window->transientParent(); parent;
                 parent = parent->transientParent()) {
                if (parent == presenterHandle)
                    return true;
            }
        }
    }
    return false;
}

// A dialog of the console that leaves it free ("Vortragsdauer" during a talk).
bool isConsoleDialog(const KeyTarget& target, const QWindow* window) {
    const QWidget* presenter = target.presenterWindow();
    if (!presenter || !presenter->windowHandle() || window->type() != Qt::Dialog)
        return false;
    for (const QWindow* parent = window->transientParent(); parent;
         parent = parent->transientParent()) {
        if (parent == presenter->windowHandle())
            return true;
    }
    return false;
}

bool startsOrEnds(Command command) {
    return command == Command::F5 || command == Command::TogglePresentation ||
           command == Command::StartFromBeginning;
}

bool focusTakesText() {
    const QWidget* focus = QApplication::focusWidget();
    return focus && focus->testAttribute(Qt::WA_InputMethodEnabled);
}

} // namespace

bool appliesTo(const KeyTarget& target, Command command, const QWindow* receiver) {
    if (target.pageCount() <= 0)
        return false;
    const QWindow* keyWindow = receiver ? receiver : QGuiApplication::focusWindow();
    // A console dialog with the keyboard counts as up, so a clicker keeps working past it.
    if (!dialogIsUp(target) && !(keyWindow && isConsoleDialog(target, keyWindow))) {
        if (command == Command::TogglePresentation || command == Command::StartFromBeginning)
            return false;
        return !keyWindow || isPresenterWindow(target, keyWindow);
    }
    // A dialog must not cost the talk a key: while presenting, the presenter keys pass it, and
    // the start keys always do. A text field keeps what is typed into it; Return answers the
    // dialog, and Esc answers the question whether to quit.
    if (focusTakesText() || command == Command::Jump)
        return false;
    if (command == Command::Escape && target.asksToQuit())
        return false;
    return startsOrEnds(command) || target.isPresenting();
}

void perform(KeyTarget& target, Command command, bool shifted, const QString& text) {
    const auto moveTo = [&target](int index) {
        target.setJumpBuffer(QString());
        target.goTo(index);
        target.refresh();
    };
    switch (command) {
    case Command::None:
        return;
    case Command::Next:
        return moveTo(target.neighbour(+1));
    case Command::Previous:
        return moveTo(target.neighbour(-1));
    case Command::First:
        return moveTo(0);
    case Command::Last:
        return moveTo(target.pageCount() - 1);
    case Command::Jump: {
        // Slide numbers count from 1; an empty or unreadable entry simply advances.
        bool readable = false;
        const int number = target.jumpBuffer().toInt(&readable, 10);
        return moveTo(readable ? number - 1 : target.neighbour(+1));
    }
    case Command::Escape:
        if (!target.jumpBuffer().isEmpty()) {
            target.setJumpBuffer(QString());
            target.refresh();
        } else if (target.isBlanked()) {
            target.unblank();
        } else if (target.isPresenting()) {
            target.stopPresentation();
        }
        return;
    case Command::F5:
        if (target.isPresenting())
            return target.stopPresentation();
        return perform(target, shifted ? Command::TogglePresentation : Command::StartFromBeginning,
                       false, text);
    case Command::TogglePresentation:
        if (target.isPresenting())
            return target.stopPresentation();
        target.setTimerChoiceAside();
        return target.startPresentation();
    case Command::StartFromBeginning:
        target.setTimerChoiceAside();
        target.goTo(0);
        if (!target.isPresenting())
            target.startPresentation();
        target.refresh();
        return;
    case Command::ToggleBlack:
        return target.toggleBlack();
    case Command::ToggleWhite:
        return target.toggleWhite();
    case Command::Digit:
        if (target.jumpBuffer().size() <= 3)
            target.setJumpBuffer(target.jumpBuffer() + text);
        target.refresh();
        return;
    }
}

bool handleKey(KeyTarget& target, const QKeyEvent& event, const QWindow* receiver) {
    const Command command = commandFor(event.key(), event.modifiers(), event.text());
    if (command == Command::None || !appliesTo(target, command, receiver))
        return false;
    perform(target, command, event.modifiers() & Qt::ShiftModifier, event.text());
    return true;
}

} // namespace KeyRules

KeyMonitor::KeyMonitor(QObject* owner, KeyTarget* target) : owner(owner), target(target) {
    QCoreApplication::instance()->installEventFilter(this);
}

KeyMonitor::~KeyMonitor() {
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

bool KeyMonitor::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride)
        return false;
    // The filter sees one key at the window and again at each widget on its way; the window
    // stage comes first and is the one to act on.
    if (!owner || !watched->isWindowType())
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    auto* window = static_cast<QWindow*>(watched);
    if (type == QEvent::ShortcutOverride) {
        // A key that a menu item also uses comes here first; claiming it keeps it a plain key
        // press, which then arrives below.
        const auto command = KeyRules::commandFor(key->key(), key->modifiers(), key->text());
        if (command == KeyRules::Command::None || !KeyRules::appliesTo(*target, command, window))
            return false;
        key->accept();
        return true;
    }
    return KeyRules::handleKey(*target, *key, window);
}
