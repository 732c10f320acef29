#include "automation/KeyNotation.h"

#include <QEvent>
#include <QHash>
#include <QPointer>
#include <QWindow>

// The entry point through which Qt's own test library delivers typed keys; unlike sending a
// QKeyEvent, it runs shortcut matching and modal blocking first.
Q_GUI_EXPORT void qt_handleKeyEvent(QWindow* window, QEvent::Type type, int key,
                                    Qt::KeyboardModifiers modifiers, const QString& text,
                                    bool autorepeat, ushort count);

namespace KeyNotation {

namespace {

struct Named {
    int key;
    QString text;
    bool keypad;
};

const QHash<QString, Named>& namedKeys() {
    static const QHash<QString, Named> keys{
        {QStringLiteral("Right"), {Qt::Key_Right, {}, false}},
        {QStringLiteral("Left"), {Qt::Key_Left, {}, false}},
        {QStringLiteral("Up"), {Qt::Key_Up, {}, false}},
        {QStringLiteral("Down"), {Qt::Key_Down, {}, false}},
        {QStringLiteral("Prior"), {Qt::Key_PageUp, {}, false}},
        {QStringLiteral("Page_Up"), {Qt::Key_PageUp, {}, false}},
        {QStringLiteral("Next"), {Qt::Key_PageDown, {}, false}},
        {QStringLiteral("Page_Down"), {Qt::Key_PageDown, {}, false}},
        {QStringLiteral("Home"), {Qt::Key_Home, {}, false}},
        {QStringLiteral("End"), {Qt::Key_End, {}, false}},
        {QStringLiteral("Return"), {Qt::Key_Return, QStringLiteral("\r"), false}},
        {QStringLiteral("KP_Enter"), {Qt::Key_Enter, QStringLiteral("\r"), true}},
        {QStringLiteral("BackSpace"), {Qt::Key_Backspace, QStringLiteral("\b"), false}},
        {QStringLiteral("Delete"), {Qt::Key_Delete, QStringLiteral("\x7f"), false}},
        {QStringLiteral("Escape"), {Qt::Key_Escape, QStringLiteral("\x1b"), false}},
        {QStringLiteral("Tab"), {Qt::Key_Tab, QStringLiteral("\t"), false}},
        {QStringLiteral("space"), {Qt::Key_Space, QStringLiteral(" "), false}},
        {QStringLiteral("period"), {Qt::Key_Period, QStringLiteral("."), false}},
        {QStringLiteral("comma"), {Qt::Key_Comma, QStringLiteral(","), false}},
    };
    return keys;
}

} // namespace

std::optional<KeyStroke> parse(const QString& notation) {
    QStringList parts = notation.trimmed().split(QLatin1Char('+'));
    if (parts.isEmpty())
        return std::nullopt;
    KeyStroke stroke;
    const QString name = parts.takeLast();
    for (const QString& modifier : parts) {
        if (modifier == QLatin1String("Shift"))
            stroke.modifiers |= Qt::ShiftModifier;
        else if (modifier == QLatin1String("Ctrl"))
            stroke.modifiers |= Qt::ControlModifier;
        else if (modifier == QLatin1String("Alt"))
            stroke.modifiers |= Qt::AltModifier;
        else if (modifier == QLatin1String("Meta"))
            stroke.modifiers |= Qt::MetaModifier;
        else
            return std::nullopt;
    }
    const bool shifted = stroke.modifiers & Qt::ShiftModifier;
    if (const auto named = namedKeys().constFind(name); named != namedKeys().constEnd()) {
        stroke.key = named->key;
        stroke.text = named->text;
        if (named->keypad)
            stroke.modifiers |= Qt::KeypadModifier;
        return stroke;
    }
    if (name.size() == 1 && name.at(0).isLetterOrNumber() && name.at(0).unicode() < 128) {
        const QChar character = name.at(0);
        stroke.key = character.toUpper().unicode();
        stroke.text = shifted ? QString(character.toUpper()) : QString(character);
        return stroke;
    }
    if (name.size() == 4 && name.startsWith(QLatin1String("KP_")) && name.at(3).isDigit()) {
        stroke.key = Qt::Key_0 + name.at(3).digitValue();
        stroke.text = name.right(1);
        stroke.modifiers |= Qt::KeypadModifier;
        return stroke;
    }
    if (name.size() >= 2 && name.size() <= 3 && name.startsWith(QLatin1Char('F'))) {
        bool isNumber = false;
        const int number = name.mid(1).toInt(&isNumber);
        if (isNumber && number >= 1 && number <= 35) {
            stroke.key = Qt::Key_F1 + number - 1;
            return stroke;
        }
    }
    return std::nullopt;
}

void type(QWindow* window, const KeyStroke& stroke) {
    // The key press may close the window (Esc ends the presentation, a key may quit).
    const QPointer<QWindow> target(window);
    qt_handleKeyEvent(target, QEvent::KeyPress, stroke.key, stroke.modifiers, stroke.text, false,
                      1);
    if (target)
        qt_handleKeyEvent(target, QEvent::KeyRelease, stroke.key, stroke.modifiers, stroke.text,
                          false, 1);
}

} // namespace KeyNotation
