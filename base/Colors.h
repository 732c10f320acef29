// The system colours and grey levels of the dark interface, in one place.
#pragma once

#include <QColor>

namespace Colors {

inline const QColor orange{0xFF, 0x9F, 0x0A};
inline const QColor red{0xFF, 0x45, 0x3A};
inline const QColor yellow{0xFF, 0xD6, 0x0A};
inline const QColor green{0x32, 0xD7, 0x4B};

// A grey of the given white level (0 black, 1 white).
inline QColor grey(double whiteLevel, double alpha = 1.0) {
    QColor colour;
    colour.setRgbF(float(whiteLevel), float(whiteLevel), float(whiteLevel), float(alpha));
    return colour;
}

// How much of the slide the console's veil covers while the projector is blanked; the speaker's
// drawings on it fade by as much.
constexpr int blankVeilAlpha = 170;

inline const QColor windowBackground = grey(0.11);
inline const QColor sidebarBackground = grey(0.07);

} // namespace Colors
