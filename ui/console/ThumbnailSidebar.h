// The scrolling grid of slide thumbnails at the left of the presenter view, one per slide as its
// author made it, with its column controls; only the rows on screen exist as widgets.
#pragma once

#include "notes/SlideStructure.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QWidget>

class Deck;
class QLabel;
class QPushButton;
class QScrollBar;
class SlideRenderer;
class SlideView;
class ThumbnailSidebar;

// One line of the grid: up to `columns` thumbnails side by side, each with its number below.
class ThumbRow : public QWidget {
    Q_OBJECT
public:
    static constexpr double margin = 6;
    static constexpr double labelH = 16;

    // One slide's thumbnail: the page it shows (how the slide ends, as the audience sees it),
    // its steps, and whether the talk steps over it.
    struct Thumb {
        qint64 slide = 0;
        qint64 page = 0;
        qint64 steps = 1;
        bool hidden = false;
    };

    explicit ThumbRow(QWidget* parent = nullptr);

    // Fills the row for these slides at its final size, so each thumbnail asks for one image.
    void fill(Deck* deck, const QList<Thumb>& thumbs, int columns, qint64 current, QSize rowSize);
    qint64 current() const { return currentIndex; }
    // Re-applies the highlight: orange frame and number for the current slide.
    void setCurrent(qint64 slide);

    const QList<Thumb>& thumbs() const { return shown; }
    const QList<SlideView*>& slideViews() const { return slides; }
    const QList<QLabel*>& numberLabels() const { return numbers; }

    // The geometry of thumbnail i and of its number in a row of `size`.
    static QRectF thumbnailGeometry(int i, QSizeF size, int columns, double aspect);
    static QRectF numberGeometry(int i, QSizeF size, int columns, double aspect);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutThumbnails();

    QList<SlideView*> slides;
    QList<QLabel*> numbers;
    QList<Thumb> shown;
    int columns = 1;
    qint64 currentIndex = -1;
};

// The scrolling list of rows: creates row widgets only for the visible rows and hands rows that
// scroll out of sight to the rows that scroll in. Its scroll bar lies over the rows, so the rows
// are as wide as the list.
class ThumbnailList : public QWidget {
    Q_OBJECT
public:
    explicit ThumbnailList(ThumbnailSidebar& sidebar, QWidget* parent = nullptr);

    int rowCount() const;
    int rowHeight() const;
    double rowWidth() const { return width(); }
    // The row under a y position of the content (0 at the top of row 0), -1 below the last.
    int rowAt(double contentY) const;
    // The row's widget when it is on screen; never creates one.
    ThumbRow* rowWidget(int row) const;
    QList<int> visibleRows() const;
    int scrollOffset() const;
    QScrollBar* verticalScrollBar() const { return scrollBar; }

    // Fills every row again (the page count or the column count changed).
    void reset();
    // Positions and sizes the rows and the scroll bar again (the rows' height changed with the
    // width or the columns).
    void updateGeometries();
    // Scrolls as little as possible to show the whole row.
    void ensureRowVisible(int row);

signals:
    void rowClicked(int row, double x);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void updateScrollRange();
    // Keeps exactly the visible rows as widgets, in place; `refill` fills them all again.
    void layoutRows(bool refill);

    ThumbnailSidebar& sidebar;
    QScrollBar* scrollBar;
    QHash<int, ThumbRow*> live;
    QList<ThumbRow*> spare;
};

class ThumbnailSidebar : public QWidget {
    Q_OBJECT
public:
    static constexpr int headerH = 28;
    static inline const QString columnsKey = QStringLiteral("thumbColumns");

    explicit ThumbnailSidebar(QWidget* parent = nullptr);

    void setDeck(Deck* deck);
    Deck* deckShown() const { return deck; }

    // Backed by the preference, clamped to 1 … 4 on read and write.
    int columns() const;
    void setColumns(int count);

    // The deck's slides, a thumbnail each: the grid is loaded again when they, or the deck
    // behind them, changed.
    void setSlides(const SlideStructure& slides);
    const SlideStructure& slides() const { return shownSlides; }
    // Highlights the slide and scrolls it into view; nothing when it is already selected.
    void select(qint64 slide);
    qint64 selectedIndex() const { return selected; }
    void fewerColumns();
    void moreColumns();

    // The thumbnail of `slide`, its row scrolled into view; null when it has none.
    SlideView* thumbnail(qint64 slide);

    // The slide under a click at `x` in a row, -1 for an empty cell.
    qint64 indexAt(int row, double x) const;

    // Called by the list.
    int rowCount() const;
    int rowHeight() const;
    void fillRow(ThumbRow* rowWidget, int row) const;

    ThumbnailList* list;
    QWidget* header;
    QLabel* columnsLabel;
    QPushButton* lessButton;
    QPushButton* moreButton;

signals:
    // The column count changed: the sidebar's width follows it.
    void columnsChanged();
    // A click on a thumbnail: the page its slide starts on, for the controller to go to.
    void slideClicked(qint64 page);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void clicked(int row, double x);
    void layoutChildren();
    void applyColumns();

    qint64 slideCount() const;

    QPointer<Deck> deck;
    quint64 shownGeneration = 0;
    SlideStructure shownSlides;
    qint64 selected = -1;
};
