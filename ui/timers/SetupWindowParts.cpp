#include "ui/timers/SetupWindowParts.h"

#include "base/Colors.h"
#include "ui/common/LabelStyle.h"

#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace SetupWindowParts {

void configure(QDialog& window, const QString& objectName, const QString& title, int width,
               int height) {
    window.setObjectName(objectName);
    window.setWindowTitle(title);
    window.setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::CustomizeWindowHint);
    window.setAttribute(Qt::WA_QuitOnClose, false);
    window.setFixedSize(width, height);
}

QLabel* heading(const QString& text) {
    auto* label = new QLabel(text);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 1.4);
    font.setBold(true);
    label->setFont(font);
    return label;
}

QLabel* explanation(const QString& text) {
    auto* label = new QLabel(text);
    LabelStyle::setTextColour(label, Colors::grey(0.6));
    label->setWordWrap(true);
    return label;
}

bool hasText(const QString& text) {
    for (const QChar c : text)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t'))
            return true;
    return false;
}

void centreOnPrimaryScreen(QWidget& window) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), window.size());
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
}

void bringToFront(QWidget& window) {
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace SetupWindowParts
