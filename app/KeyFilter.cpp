#include "app/KeyFilter.h"

#include "show/SlideShow.h"

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
    // As a browser goes back.
    if (held == Qt::AltModifier && !(modifiers & Qt::ShiftModifier)) {
        if (key == Qt::Key_Left)
            return Command::LinkBack;
        if (key == Qt::Key_Right)
            return Command::LinkForward;
    }
    if (held)
        return Command::None;
    const bool shifted = modifiers & Qt::ShiftModifier;
    switch (key) {
    case Qt::Key_PageDown:
    case Qt::Key_Right:
        return shifted ? Command::NextSlide : Command::Next;
    case Qt::Key_Space:
    case Qt::Key_Down:
        return Command::Next;
    case Qt::Key_PageUp:
    case Qt::Key_Left:
        return shifted ? Command::PreviousSlide : Command::Previous;
    case Qt::Key_Backspace:
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
    case Qt::Key_Tab:
        return modifiers & Qt::ShiftModifier ? Command::None : Command::Overview;
    default:
        break;
    }
    const QString characters = text.toLower();
    if (characters == QLatin1String("z") && shifted)
        return Command::ZoomHere;
    if (characters == QLatin1String("b") || characters == QLatin1String("."))
        return Command::ToggleBlack;
    if (characters == QLatin1String("w") || characters == QLatin1String(","))
        return Command::ToggleWhite;
    if (characters == QLatin1String("n"))
        return Command::Next;
    if (characters == QLatin1String("p"))
        return Command::Previous;
    if (characters == QLatin1String("s"))
        return Command::SkipSlides;
    if (characters == QLatin1String("m"))
        return Command::ToggleMedia;
    // None of these is a key a clicker sends.
    static const std::pair<char, Command> tools[] = {
        {'l', Command::Pointer},     {'o', Command::Spotlight},  {'d', Command::Pen},
        {'h', Command::Highlighter}, {'e', Command::Eraser},     {'u', Command::Undo},
        {'x', Command::ClearSlide},  {'c', Command::NextColour}, {'v', Command::NextWidth},
        {'z', Command::Zoom},        {'f', Command::Freeze},     {'t', Command::Whiteboard}};
    for (const auto& [letter, command] : tools) {
        if (characters == QLatin1Char(letter))
            return command;
    }
    if (characters.size() == 1 && characters.at(0).isNumber())
        return Command::Digit;
    return Command::None;
}

namespace {

bool isPresenterWindow(const KeyContext& context, const QWindow* window) {
    for (const QWidget* widget : {context.presenterWindow, context.audienceWindow}) {
        if (widget && widget->windowHandle() && widget->windowHandle() == window)
            return true;
    }
    return false;
}

// A dialog that blocks the program, or a sheet on the presenter window.
bool dialogIsUp(const KeyContext& context) {
    const QWidget* presenter = context.presenterWindow;
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
bool isConsoleDialog(const KeyContext& context, const QWindow* window) {
    const QWidget* presenter = context.presenterWindow;
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

// What the overview moves its selection with, chooses and leaves by.
bool overviewKey(Command command) {
    switch (command) {
    case Command::Next:
    case Command::Previous:
    case Command::Jump:
    case Command::First:
    case Command::Last:
    case Command::Escape:
    case Command::Digit:
        return true;
    default:
        return false;
    }
}

bool focusTakesText() {
    const QWidget* focus = QApplication::focusWidget();
    return focus && focus->testAttribute(Qt::WA_InputMethodEnabled);
}

} // namespace

bool appliesTo(const KeyContext& context, Command command, const QWindow* receiver) {
    if (context.pageCount <= 0)
        return false;
    const QWindow* keyWindow = receiver ? receiver : QGuiApplication::focusWindow();
    const QWidget* presenter = context.presenterWindow;
    if (context.overviewOpen && overviewKey(command) && keyWindow && presenter &&
        presenter->windowHandle() == keyWindow)
        return false;
    // A console dialog with the keyboard counts as up, so a clicker keeps working past it.
    if (!dialogIsUp(context) && !(keyWindow && isConsoleDialog(context, keyWindow))) {
        if (command == Command::TogglePresentation || command == Command::StartFromBeginning)
            return false;
        return !keyWindow || isPresenterWindow(context, keyWindow);
    }
    // A dialog must not cost the talk a key: while presenting, the presenter keys pass it, and
    // the start keys always do. A text field keeps what is typed into it; Return answers the
    // dialog, and Esc answers the question whether to quit.
    if (focusTakesText() || command == Command::Jump)
        return false;
    if (command == Command::Escape && context.asksToQuit)
        return false;
    return startsOrEnds(command) || context.presenting;
}

std::optional<Actions::Id> actionFor(Command command, bool shifted, bool presenting) {
    using Id = Actions::Id;
    switch (command) {
    case Command::Next:
        return Id::next;
    case Command::Previous:
        return Id::previous;
    case Command::NextSlide:
        return Id::nextSlide;
    case Command::PreviousSlide:
        return Id::previousSlide;
    case Command::Jump:
        return Id::goToTyped;
    case Command::First:
        return Id::first;
    case Command::Last:
        return Id::last;
    case Command::Escape:
        return Id::escape;
    // F5 ends a running presentation; else it starts from the beginning, or with Shift at the
    // current slide.
    case Command::F5:
        return presenting || shifted ? Id::togglePresentation : Id::startFromBeginning;
    case Command::ToggleBlack:
        return Id::toggleBlack;
    case Command::ToggleWhite:
        return Id::toggleWhite;
    case Command::SkipSlides:
        return Id::skipSlides;
    case Command::TogglePresentation:
        return Id::togglePresentation;
    case Command::StartFromBeginning:
        return Id::startFromBeginning;
    case Command::Overview:
        return Id::overview;
    case Command::LinkBack:
        return Id::linkBack;
    case Command::LinkForward:
        return Id::linkForward;
    case Command::ToggleMedia:
        return Id::toggleMedia;
    case Command::Pointer:
        return Id::toolPointer;
    case Command::Spotlight:
        return Id::toolSpotlight;
    case Command::Pen:
        return Id::toolPen;
    case Command::Highlighter:
        return Id::toolHighlighter;
    case Command::Eraser:
        return Id::toolEraser;
    case Command::Undo:
        return Id::undoStroke;
    case Command::ClearSlide:
        return Id::clearSlide;
    case Command::NextColour:
        return Id::nextColour;
    case Command::NextWidth:
        return Id::nextWidth;
    case Command::Zoom:
        return Id::zoom;
    case Command::ZoomHere:
        return Id::zoomHere;
    case Command::Freeze:
        return Id::freeze;
    case Command::Whiteboard:
        return Id::whiteboard;
    case Command::None:
    case Command::Digit:
        break;
    }
    return std::nullopt;
}

} // namespace KeyRules

KeyFilter::KeyFilter(const Actions& actions, SlideShow& show, QObject* parent)
    : QObject(parent), actions(actions), show(show) {
    QCoreApplication::instance()->installEventFilter(this);
}

KeyFilter::~KeyFilter() {
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

void KeyFilter::setWindows(QWidget* presenterWindow, QWidget* audienceWindow) {
    presenter = presenterWindow;
    audience = audienceWindow;
}

KeyContext KeyFilter::context() const {
    return {show.pageCount(), show.isPresenting(),           asksToQuit && asksToQuit(), presenter,
            audience,         overviewOpen && overviewOpen()};
}

bool KeyFilter::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride)
        return false;
    // The filter sees one key at the window and again at each widget on its way; the window
    // stage comes first and is the one to act on.
    if (!watched->isWindowType())
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const auto command = KeyRules::commandFor(key->key(), key->modifiers(), key->text());
    if (command == KeyRules::Command::None ||
        !KeyRules::appliesTo(context(), command, static_cast<QWindow*>(watched)))
        return false;
    // A key that a menu item also uses comes here first; claiming it keeps it a plain key
    // press, which then arrives below.
    key->accept();
    if (type == QEvent::ShortcutOverride)
        return true;
    if (command == KeyRules::Command::Digit)
        show.type(key->text());
    else if (const auto id = KeyRules::actionFor(command, key->modifiers() & Qt::ShiftModifier,
                                                 show.isPresenting()))
        actions.trigger(*id);
    return true;
}
