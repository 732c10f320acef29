// The key overview the speaker calls up with F1 or "?": every key with what it does, over the
// presenter window only (never on the projector), gone with the next key or click.
#pragma once

#include <QWidget>

class ShortcutOverlay : public QWidget {
    Q_OBJECT
public:
    // Covers `window`'s content and follows its size.
    explicit ShortcutOverlay(QWidget* window);

    void toggle();
    // The rows as shown: keys, then what they do.
    QList<std::pair<QString, QString>> rows() const { return entries; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QList<std::pair<QString, QString>> entries;
};
