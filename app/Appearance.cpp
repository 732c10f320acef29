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
    const QColor accent(0x0A, 0x84, 0xFF);
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
    palette.setColor(QPalette::Highlight, accent);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, accent);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, Colors::grey(0.45));
    palette.setColor(QPalette::Disabled, QPalette::Text, Colors::grey(0.45));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, Colors::grey(0.45));
    application.setPalette(palette);

    // Fusion's buttons hug their text (the sidebar's tiny column buttons excepted), and its radio
    // marks differ only by a faint dot on this palette; the checked mark is filled with the accent
    // colour instead.
    application.setStyleSheet(
        QStringLiteral("QPushButton { padding: 4px 14px; }"
                       "ThumbnailSidebar QPushButton { padding: 0; }"
                       "QRadioButton::indicator { width: 12px; height: 12px; border-radius: 7px;"
                       " border: 1px solid %1; background: %2; }"
                       "QRadioButton::indicator:checked { border: 1px solid %3;"
                       " background: qradialgradient(cx:0.5, cy:0.5, radius:0.5, fx:0.5, fy:0.5,"
                       " stop:0 %4, stop:0.45 %4, stop:0.55 %2, stop:1 %2); }"
                       "QRadioButton::indicator:disabled { border-color: %5; }")
            .arg(Colors::grey(0.6).name(), Colors::grey(0.16).name(), accent.name(),
                 accent.lighter(130).name(), Colors::grey(0.35).name()));
}

} // namespace Appearance
