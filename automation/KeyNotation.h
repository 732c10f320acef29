// Key presses named the way X11 names keys ("Shift+F5", "KP_Enter", "period"), and a way to type
// them into a window through the same path a real keyboard takes.
#pragma once

#include <QString>
#include <Qt>
#include <optional>

class QWindow;

struct KeyStroke {
    int key = 0;
    Qt::KeyboardModifiers modifiers;
    QString text;
};

namespace KeyNotation {

// Zero or more of "Shift+", "Ctrl+", "Alt+", "Meta+" followed by a key symbol name; nothing for
// a name it does not know.
std::optional<KeyStroke> parse(const QString& notation);

// Presses and releases the key in `window` as the windowing system would: shortcuts, the
// application's event filters and modal blocking all see it.
void type(QWindow* window, const KeyStroke& stroke);

} // namespace KeyNotation
