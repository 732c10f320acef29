// The dark look of the whole program, whatever the desktop theme.
#pragma once

class QApplication;

namespace Appearance {

void applyDark(QApplication& application);

} // namespace Appearance
