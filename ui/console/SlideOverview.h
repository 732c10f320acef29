// The overview over the console's slide area: every slide of the deck in a grid, as large as lets
// all of them fit (scrolling where they cannot), the current one marked and hidden ones dimmed.
// Keys and the mouse move a selection, a typed number selects that slide, Return or a click
// chooses it, Esc leaves; the talk itself hears only of the choice.
#pragma once

#include <QList>
#include <QPointer>
#include <QSizeF>
#include <QString>
#include <QWidget>

class Deck;
class SlideView;

class SlideOverview : public QWidget {
    Q_OBJECT
public:
    struct Slide {
        qint64 firstPage = 0;
        // The page its picture shows: the slide built up completely.
        qint64 pictured = 0;
        // As the speaker would type it.
        QString number;
        bool hidden = false;
    };

    explicit SlideOverview(QWidget* parent = nullptr);

    // Shows `slides` of `deck` with `current` marked and selected, and takes the keys.
    void open(Deck* deck, const QList<Slide>& slides, int current);
    void leave();
    bool isOpen() const { return isVisible(); }
    // The talk moved on while the overview is open.
    void setCurrent(int slide);
    int selected() const { return selection; }
    int slideCount() const { return int(slides.size()); }
    // Moves the selection there, scrolled into view.
    void select(int slide);

    // The grid for `count` slides of `aspect` in an area of `size`: the largest thumbnails with
    // which all fit, or, where they cannot, as many columns of the smallest as the width holds.
    struct Grid {
        int columns = 1;
        QSizeF thumbnail;
        double left = 0;
        double rowHeight = 0;
        double contentHeight = 0;
    };
    static Grid grid(int count, QSizeF size, double aspect);

signals:
    // Return or a click: the talk goes to that slide.
    void chosen(int slide);
    // Esc: nothing changes.
    void left();
    // Digits typed so far, as a slide number: the receiver selects the slide it stands for.
    void numberTyped(qint64 number);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Cell {
        SlideView* view = nullptr;
        QWidget* dimmer = nullptr;
    };

    // The thumbnail of a slide, in the widget's coordinates (scrolled).
    QRectF thumbnailRect(int slide) const;
    int slideAt(QPointF position) const;
    void scrollBy(double pixels);
    void ensureVisible(int slide);
    // Places a live view on each slide in sight and nowhere else.
    void layoutCells();
    QRectF gridArea() const;

    QPointer<Deck> deck;
    QList<Slide> slides;
    int current = -1;
    int selection = -1;
    QString typed;
    double scrolled = 0;
    Grid shape;
    QList<Cell> cells;
};
