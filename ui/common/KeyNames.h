// Shortcut texts in the words this desktop uses for its modifier keys.
#pragma once

#include <QString>

namespace KeyNames {

// The Control modifier with a key, as the desktop shows it: "Strg+O" in German, "Ctrl+O" else.
QString withControl(const QString& key);

} // namespace KeyNames
