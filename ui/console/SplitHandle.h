// A thin divider (vertical unless told otherwise) that reports where the pointer is dragged and
// asks for a reset on a double-click; its owner turns both into stored proportions.
#pragma once

#include <QWidget>

class SplitHandle : public QWidget {
    Q_OBJECT
public:
    explicit SplitHandle(QWidget* parent = nullptr, Qt::Orientation orientation = Qt::Vertical);

    bool isHovered() const { return hover; }
    // The drawn line in the handle's coordinates: 3 pixels thick while hovered, else 1.
    static QRectF lineRect(const QSizeF& size, bool hovered,
                           Qt::Orientation orientation = Qt::Vertical);

signals:
    // The pointer's x in the parent's coordinates (its y for a horizontal divider), once per move
    // while the left button is down; it may lie outside the parent.
    void dragged(double position);
    void resetAsked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    const Qt::Orientation orientation;
    bool hover = false;
};
