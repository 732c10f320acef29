#include "ui/console/ThumbnailSidebar.h"

#include "base/Colors.h"
#include "base/L10n.h"
#include "base/Preferences.h"
#include "document/Deck.h"
#include "ui/common/LabelStyle.h"
#include "ui/common/SlideView.h"
#include "ui/console/PresenterLayout.h"
#include "ui/console/PresenterView.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

constexpr double defaultAspect = 16.0 / 9.0;
// As wide as the margin right of the thumbnails, so the scroll bar never covers one.
constexpr int scrollBarWidth = 6;

void fillBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QFont smallFont(QFont::Weight weight) {
    QFont font = QApplication::font();
    font.setPixelSize(11);
    font.setWeight(weight);
    return font;
}

QPushButton* makeHeaderButton(QWidget* parent, const QString& title) {
    auto* button = new QPushButton(title, parent);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoDefault(false);
    button->setFont(smallFont(QFont::Medium));
    button->setToolTip(L10n::lookup("Anzahl der Folien pro Zeile"));
    return button;
}

} // namespace

// ---------------------------------------------------------------------------------------------

ThumbRow::ThumbRow(QWidget* parent) : QWidget(parent) {}

QRectF ThumbRow::thumbnailGeometry(int i, QSizeF size, int columns, double aspect) {
    const double cellWidth = size.width() / std::max(columns, 1);
    const double thumbWidth = std::max(1.0, cellWidth - 2 * margin);
    const double naturalHeight = std::round(thumbWidth / aspect);
    const double height = std::max(1.0, std::min(size.height() - labelH - 10, naturalHeight));
    return {i * cellWidth + margin, margin, thumbWidth, height};
}

QRectF ThumbRow::numberGeometry(int i, QSizeF size, int columns, double aspect) {
    const QRectF thumbnail = thumbnailGeometry(i, size, columns, aspect);
    return {thumbnail.x(), size.height() - 4 - labelH, thumbnail.width(), labelH};
}

void ThumbRow::fill(Deck* deck, const QList<Thumb>& thumbs, int columnCount, qint64 current,
                    QSize rowSize) {
    shown = thumbs;
    columns = columnCount;
    while (slides.size() < thumbs.size()) {
        auto* slide = new SlideView(this);
        slide->setPriority(RenderPriority::thumbnail);
        auto* number = new QLabel(this);
        number->setFont(LabelStyle::timeFont(11, QFont::Medium));
        number->setTextFormat(Qt::PlainText);
        slides.append(slide);
        numbers.append(number);
    }
    // Pages first, then the size: each view then asks for one image, of its final page and size.
    QList<SlideView*> changed;
    for (qsizetype i = 0; i < slides.size(); ++i) {
        SlideView* slide = slides.at(i);
        QLabel* number = numbers.at(i);
        if (i >= thumbs.size()) {
            slide->hide();
            number->hide();
            continue;
        }
        const Thumb& thumb = thumbs.at(i);
        slide->setDeck(deck);
        if (slide->needsRefreshFor(thumb.page)) {
            slide->setPage(thumb.page);
            changed.append(slide);
        }
        slide->setBadge(thumb.steps > 1 ? L10n::format("%d Schritte", {thumb.steps}) : QString(),
                        QString::number(thumb.steps));
        // Dimmed and marked, but still there to be clicked: the speaker may want it after all.
        slide->setVeil(thumb.hidden ? std::optional<SlideView::Veil>({QColor(0, 0, 0, 150),
                                                                      L10n::lookup("ausgeblendet"),
                                                                      Colors::grey(0.85)})
                                    : std::nullopt);
        number->setText(QString::number(thumb.slide + 1));
        slide->show();
        number->show();
    }
    resize(rowSize);
    layoutThumbnails();
    for (SlideView* slide : changed)
        slide->refresh();
    setCurrent(current);
}

void ThumbRow::setCurrent(qint64 slide) {
    currentIndex = slide;
    for (qsizetype i = 0; i < shown.size() && i < slides.size(); ++i) {
        const bool isCurrent = shown.at(i).slide == slide;
        slides.at(i)->setHighlightColor(isCurrent ? std::optional<QColor>(Colors::orange)
                                                  : std::nullopt);
        LabelStyle::setTextColour(numbers.at(i), isCurrent ? Colors::orange : Colors::grey(0.6));
    }
}

void ThumbRow::resizeEvent(QResizeEvent*) {
    layoutThumbnails();
}

void ThumbRow::layoutThumbnails() {
    const int count = int(std::min(shown.size(), slides.size()));
    if (count == 0)
        return;
    const Deck* deck = slides.first()->deck();
    const double aspect = deck ? deck->aspect() : defaultAspect;
    const QSizeF rowSize = size();
    for (int i = 0; i < count; ++i) {
        slides.at(i)->setGeometry(
            PresenterLayout::rounded(thumbnailGeometry(i, rowSize, columns, aspect)));
        numbers.at(i)->setGeometry(
            PresenterLayout::rounded(numberGeometry(i, rowSize, columns, aspect)));
    }
}

// ---------------------------------------------------------------------------------------------

ThumbnailList::ThumbnailList(ThumbnailSidebar& sidebar, QWidget* parent)
    : QWidget(parent), sidebar(sidebar), scrollBar(new QScrollBar(Qt::Vertical, this)) {
    setFocusPolicy(Qt::NoFocus);
    scrollBar->setFocusPolicy(Qt::NoFocus);
    // Thin and drawn over the rows' right margin, like a transient scroll bar.
    scrollBar->setStyleSheet(QStringLiteral(
        "QScrollBar:vertical { width: 6px; background: transparent; margin: 0; border: none; }"
        "QScrollBar::handle:vertical { background: rgba(255, 255, 255, 90); border-radius: 3px;"
        " min-height: 24px; margin: 2px 1px 2px 1px; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }"));
    scrollBar->hide();
    connect(scrollBar, &QScrollBar::valueChanged, this, [this] { layoutRows(false); });
}

int ThumbnailList::rowCount() const {
    return sidebar.rowCount();
}

int ThumbnailList::rowHeight() const {
    return sidebar.rowHeight();
}

int ThumbnailList::scrollOffset() const {
    return scrollBar->value();
}

int ThumbnailList::rowAt(double contentY) const {
    const int height = rowHeight();
    if (contentY < 0 || height <= 0)
        return -1;
    const int row = int(contentY / height);
    return row < rowCount() ? row : -1;
}

ThumbRow* ThumbnailList::rowWidget(int row) const {
    return live.value(row);
}

QList<int> ThumbnailList::visibleRows() const {
    QList<int> rows = live.keys();
    std::sort(rows.begin(), rows.end());
    return rows;
}

void ThumbnailList::reset() {
    updateScrollRange();
    layoutRows(true);
}

void ThumbnailList::updateGeometries() {
    updateScrollRange();
    layoutRows(false);
}

void ThumbnailList::ensureRowVisible(int row) {
    if (row < 0 || row >= rowCount())
        return;
    const int top = row * rowHeight();
    const int bottom = top + rowHeight();
    if (top < scrollBar->value())
        scrollBar->setValue(top);
    else if (bottom > scrollBar->value() + height())
        scrollBar->setValue(bottom - height());
}

void ThumbnailList::updateScrollRange() {
    const qint64 contentHeight = qint64(rowCount()) * rowHeight();
    const int maximum = int(std::max<qint64>(0, contentHeight - height()));
    scrollBar->setGeometry(width() - scrollBarWidth, 0, scrollBarWidth, height());
    scrollBar->setPageStep(std::max(1, height()));
    scrollBar->setSingleStep(std::max(1, rowHeight() / 4));
    scrollBar->setRange(0, maximum);
    scrollBar->setVisible(maximum > 0);
}

void ThumbnailList::layoutRows(bool refill) {
    const int count = rowCount();
    const int height = rowHeight();
    const int offset = scrollBar->value();
    int first = 0;
    int last = -1;
    if (count > 0 && height > 0 && this->height() > 0) {
        first = offset / height;
        last = std::min(count - 1, (offset + this->height() - 1) / height);
    }
    for (auto it = live.begin(); it != live.end();) {
        if (it.key() < first || it.key() > last) {
            it.value()->hide();
            spare.append(it.value());
            it = live.erase(it);
        } else {
            ++it;
        }
    }
    for (int row = first; row <= last; ++row) {
        ThumbRow* widget = live.value(row);
        const bool fresh = !widget;
        if (fresh) {
            widget = spare.isEmpty() ? new ThumbRow(this) : spare.takeLast();
            live.insert(row, widget);
        }
        if (fresh || refill) {
            sidebar.fillRow(widget, row);
            widget->move(0, row * height - offset);
        } else {
            widget->setGeometry(0, row * height - offset, width(), height);
        }
        widget->show();
    }
    scrollBar->raise();
}

void ThumbnailList::resizeEvent(QResizeEvent*) {
    updateGeometries();
}

void ThumbnailList::wheelEvent(QWheelEvent* event) {
    QCoreApplication::sendEvent(scrollBar, event);
}

void ThumbnailList::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const QPointF at = event->position();
    const int row = rowAt(at.y() + scrollBar->value());
    if (row >= 0)
        emit rowClicked(row, at.x());
}

// ---------------------------------------------------------------------------------------------

ThumbnailSidebar::ThumbnailSidebar(QWidget* parent) : QWidget(parent) {
    list = new ThumbnailList(*this, this);
    header = new QWidget(this);
    columnsLabel = new QLabel(header);
    columnsLabel->setFont(smallFont(QFont::Medium));
    columnsLabel->setAlignment(Qt::AlignCenter);
    columnsLabel->setTextFormat(Qt::PlainText);
    LabelStyle::setTextColour(columnsLabel, Colors::grey(0.6));
    lessButton = makeHeaderButton(header, QStringLiteral("\u2212"));
    moreButton = makeHeaderButton(header, QStringLiteral("+"));
    connect(lessButton, &QPushButton::clicked, this, &ThumbnailSidebar::fewerColumns);
    connect(moreButton, &QPushButton::clicked, this, &ThumbnailSidebar::moreColumns);
    connect(list, &ThumbnailList::rowClicked, this, &ThumbnailSidebar::clicked);
    fillBackground(this, Colors::sidebarBackground);
    applyColumns();
}

void ThumbnailSidebar::setDeck(Deck* shown) {
    deck = shown;
}

int ThumbnailSidebar::columns() const {
    return int(std::clamp<qint64>(Preferences::integer(columnsKey, 0), 1, 4));
}

void ThumbnailSidebar::setColumns(int count) {
    Preferences::setValue(columnsKey, std::clamp(count, 1, 4));
    applyColumns();
}

void ThumbnailSidebar::applyColumns() {
    const int count = columns();
    columnsLabel->setText(count == 1 ? L10n::lookup("1 Spalte")
                                     : L10n::format("%d Spalten", {count}));
    lessButton->setEnabled(count >= 2);
    moreButton->setEnabled(count < 4);
    list->reset();
    layoutChildren();
    if (selected >= 0)
        list->ensureRowVisible(int(selected / count));
    emit columnsChanged();
}

void ThumbnailSidebar::fewerColumns() {
    setColumns(columns() - 1);
}

void ThumbnailSidebar::moreColumns() {
    setColumns(columns() + 1);
}

void ThumbnailSidebar::resizeEvent(QResizeEvent*) {
    layoutChildren();
}

void ThumbnailSidebar::layoutChildren() {
    const int W = width();
    const int H = height();
    header->setGeometry(0, 0, W, headerH);
    lessButton->setGeometry(6, 4, 24, 20);
    moreButton->setGeometry(W - 30, 4, 24, 20);
    columnsLabel->setGeometry(30, 6, std::max(0, W - 60), 16);
    list->setGeometry(0, headerH, W, std::max(0, H - headerH));
    list->updateGeometries();
}

void ThumbnailSidebar::setSlides(const SlideStructure& slides) {
    const quint64 generation = deck ? deck->generation() : 0;
    if (slides == shownSlides) {
        // Another deck with the same slides, or the same deck's slides cut from its notes
        // pages: the rows keep their slides but need new images, maybe of another shape.
        if (generation != shownGeneration) {
            shownGeneration = generation;
            layoutChildren();
            for (int row : list->visibleRows()) {
                for (SlideView* slide : list->rowWidget(row)->slideViews())
                    slide->refresh();
            }
        }
        return;
    }
    shownSlides = slides;
    shownGeneration = generation;
    selected = -1;
    layoutChildren();
    list->reset();
}

qint64 ThumbnailSidebar::slideCount() const {
    return deck && deck->pageCount() > 0 ? shownSlides.slideCount() : 0;
}

int ThumbnailSidebar::rowCount() const {
    const int count = columns();
    return int((slideCount() + count - 1) / count);
}

int ThumbnailSidebar::rowHeight() const {
    const double aspect = deck ? deck->aspect() : defaultAspect;
    const double width = list->rowWidth();
    return int(std::max(10.0, std::round((width / columns() - 2 * ThumbRow::margin) / aspect)) +
               ThumbRow::labelH + 10);
}

void ThumbnailSidebar::fillRow(ThumbRow* rowWidget, int row) const {
    const int count = columns();
    QList<ThumbRow::Thumb> thumbs;
    for (qint64 slide = qint64(row) * count;
         slide < std::min(slideCount(), qint64(row) * count + count); ++slide)
        thumbs.append({slide, shownSlides.lastShownStep(slide), shownSlides.stepCount(slide),
                       shownSlides.isHidden(slide)});
    rowWidget->fill(deck, thumbs, count, selected, QSize(int(list->rowWidth()), rowHeight()));
}

void ThumbnailSidebar::select(qint64 index) {
    if (index == selected)
        return;
    const qint64 old = selected;
    selected = index;
    const int count = columns();
    for (qint64 value : {old, index}) {
        if (value < 0)
            continue;
        const qint64 row = value / count;
        if (row < list->rowCount()) {
            if (ThumbRow* rowWidget = list->rowWidget(int(row)))
                rowWidget->setCurrent(index);
        }
    }
    if (index >= 0)
        list->ensureRowVisible(int(index / count));
}

qint64 ThumbnailSidebar::indexAt(int row, double x) const {
    const int count = columns();
    const double cellWidth = std::max(1.0, list->rowWidth() / count);
    const int column = std::clamp(int(x / cellWidth), 0, count - 1);
    const qint64 index = qint64(row) * count + column;
    if (row < 0 || index >= slideCount())
        return -1;
    return index;
}

void ThumbnailSidebar::clicked(int row, double x) {
    const qint64 slide = indexAt(row, x);
    if (slide >= 0)
        emit slideClicked(shownSlides.firstShownStep(slide));
}

SlideView* ThumbnailSidebar::thumbnail(qint64 slide) {
    const int count = columns();
    if (slide < 0 || slide >= slideCount())
        return nullptr;
    const int row = int(slide / count);
    list->ensureRowVisible(row);
    const ThumbRow* shown = list->rowWidget(row);
    return shown ? shown->slideViews().value(int(slide % count)) : nullptr;
}
