// Fonts and text colours shared by every window's labels.
#pragma once

#include <QColor>
#include <QFont>

class QLabel;

namespace LabelStyle {

// The desktop's interface font at a pixel size (one layout unit is one pixel).
QFont interfaceFont(int pixelSize, QFont::Weight weight);
// The interface font if its digits are of equal width, else the system's fixed-width font, so a
// counting time display never jitters sideways.
QFont timeFont(int pixelSize, QFont::Weight weight);
void setTextColour(QLabel* label, const QColor& colour);

} // namespace LabelStyle
