// The panel of the presenter view that shows an external stage timer: caption, time, message,
// secondary line and status.
#pragma once

#include <QLabel>
#include <QRect>
#include <QWidget>
#include <optional>

// What the block shows of one state of an external timer.
struct TimerBlockContent {
    QString caption;
    // Milliseconds, negative once the timer has run over, absent when no value is known.
    std::optional<double> remaining;
    bool paused = false;
    bool running = false;
    QString message;
    bool blink = false;
    QString secondary;
    QString status;
    // A link that keeps failing ("Verbindung verloren"): shown in the message's place, in red.
    QString trouble;

    friend bool operator==(const TimerBlockContent&, const TimerBlockContent&) = default;
};

class ExternalTimerBlock : public QWidget {
    Q_OBJECT

public:
    // The height at which the presenter view lays the block out (not named `height`, which
    // would hide QWidget::height()).
    static constexpr int standardHeight = 150;

    explicit ExternalTimerBlock(QWidget* parent = nullptr);

    // Shows one state of the external timer. `remaining` is in milliseconds, negative once the
    // timer has run over, absent when no value is known. (Named display, not show, so that it
    // does not hide QWidget::show.)
    void display(const QString& caption, std::optional<double> remaining, bool paused, bool running,
                 const QString& message, bool blink, const QString& secondary,
                 const QString& status);
    void display(const TimerBlockContent& content);

    // Full opacity during odd wall-clock half seconds, faint during even ones.
    static double messageOpacity(bool blink, double secondsSince1970);
    // The label frames for a block of this width, origin bottom-left and y upwards, in the order
    // caption, time, message, secondary, status.
    static QList<QRect> frames(int width);

    QLabel* captionLabel() const { return caption; }
    QLabel* timeLabel() const { return time; }
    QLabel* messageLabel() const { return message; }
    QLabel* secondaryLabel() const { return secondary; }
    QLabel* statusLabel() const { return status; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* caption;
    QLabel* time;
    QLabel* message;
    QLabel* secondary;
    QLabel* status;
};
