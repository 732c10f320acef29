// The speaker's window: the presenter view and the key overview over it; it remembers its frame
// and asks before it closes.
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <functional>

class PresenterView;
class ShortcutOverlay;

class PresenterWindow : public QMainWindow {
    Q_OBJECT
public:
    static const QString frameKey; // "PresenterWindow"

    // At its stored frame, else 1400 × 820 centred on the primary screen.
    explicit PresenterWindow(QWidget* parent = nullptr);

    PresenterView* view() const { return content; }
    // The key overview (F1, "?"): on the console only, never on the projector.
    void toggleShortcuts();
    bool showsShortcuts() const;

    // Asked before the window closes; false keeps it open (a running talk the speaker keeps).
    std::function<bool()> mayClose;

signals:
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void saveFrame();

    PresenterView* content;
    ShortcutOverlay* shortcuts;
    QTimer frameSaver;
};
