// The pieces both timer setup windows are built from, so they look and behave alike.
#pragma once

#include <QString>

class QDialog;
class QLabel;
class QWidget;

namespace SetupWindowParts {

// A titled, closable window of a fixed size that does not end the program when closed.
void configure(QDialog& window, const QString& objectName, const QString& title, int width,
               int height);
QLabel* heading(const QString& text);
// Grey explanatory text that wraps.
QLabel* explanation(const QString& text);
// Spaces and tabs alone do not count as an entry (the models trim exactly these).
bool hasText(const QString& text);
void centreOnPrimaryScreen(QWidget& window);
void bringToFront(QWidget& window);

} // namespace SetupWindowParts
