// The console's small tool bar for the pen and the highlighter: their colours and widths as
// swatches in a corner of the current slide's view, shown while either is in hand.
#pragma once

#include <QColor>
#include <QList>
#include <QWidget>

class InkPalette : public QWidget {
    Q_OBJECT
public:
    // Sits in the bottom-left corner of `slideView` and follows its size.
    explicit InkPalette(QWidget* slideView);

    // The ink's choices and the ones taken; `widths` as shares of the slide's height.
    void setChoices(const QList<QColor>& colours, int colour, const QList<double>& widths,
                    int width);

signals:
    void colourChosen(int index);
    void widthChosen(int index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // The swatch at index `i`: colours first, then widths.
    QRectF swatch(int i) const;
    void place();

    QList<QColor> colours;
    QList<double> widths;
    int colourIndex = 0;
    int widthIndex = 0;
};
