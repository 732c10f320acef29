#include "app/Appearance.h"

#include "base/Colors.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>

namespace Appearance {

void applyDark(QApplication& application) {
    application.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette palette;
    const QColor text = Colors::grey(0.85);
    palette.setColor(QPalette::Window, Colors::windowBackground);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, Colors::grey(0.16));
    palette.setColor(QPalette::AlternateBase, Colors::grey(0.13));
    palette.setColor(QPalette::ToolTipBase, Colors::grey(0.2));
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, Colors::grey(0.5));
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, Colors::grey(0.2));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, Colors::red);
    palette.setColor(QPalette::Highlight, QColor(0x0A, 0x84, 0xFF));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, QColor(0x0A, 0x84, 0xFF));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, Colors::grey(0.45));
    palette.setColor(QPalette::Disabled, QPalette::Text, Colors::grey(0.45));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, Colors::grey(0.45));
    application.setPalette(palette);
}

} // namespace Appearance
