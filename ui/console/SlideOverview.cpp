#include "ui/console/SlideOverview.h"

#include "base/Colors.h"
#include "base/L10n.h"
#include "document/Deck.h"
#include "ui/common/LabelStyle.h"
#include "ui/common/SlideView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

constexpr double margin = 16;
constexpr double gap = 14;
constexpr double numberHeight = 20;
constexpr double headerHeight = 30;
// Below this a slide is no longer recognisable: the grid scrolls instead.
constexpr double smallestWidth = 96;
constexpr int longestNumber = 4;

// Darkens a hidden slide's picture; the mouse goes through it to the overview.
class Dimmer : public QWidget {
public:
    explicit Dimmer(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), Colors::grey(0.0, 0.62));
    }
};

} // namespace

SlideOverview::SlideOverview(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette background = palette();
    background.setColor(QPalette::Window, Colors::grey(0.09));
    setPalette(background);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setObjectName(QStringLiteral("overview"));
    hide();
}

SlideOverview::Grid SlideOverview::grid(int count, QSizeF size, double aspect) {
    Grid best;
    const double width = size.width() - 2 * margin;
    const double height = size.height() - 2 * margin;
    if (count < 1 || width <= 0 || height <= 0 || !(aspect > 0))
        return best;
    double bestWidth = 0;
    for (int columns = 1; columns <= count; ++columns) {
        const int rows = (count + columns - 1) / columns;
        const double byWidth = (width - (columns - 1) * gap) / columns;
        const double byHeight = ((height + gap) / rows - gap - numberHeight) * aspect;
        const double thumbnail = std::min(byWidth, byHeight);
        if (byWidth < smallestWidth)
            break;
        if (thumbnail > bestWidth) {
            bestWidth = thumbnail;
            best.columns = columns;
        }
    }
    if (bestWidth < smallestWidth) {
        // Too many to fit: the smallest thumbnails, as many a row as there is room for.
        best.columns = std::max(1, int((width + gap) / (smallestWidth + gap)));
        bestWidth = std::max(1.0, (width - (best.columns - 1) * gap) / best.columns);
    }
    best.thumbnail = QSizeF(std::floor(bestWidth), std::floor(bestWidth / aspect));
    best.rowHeight = best.thumbnail.height() + numberHeight + gap;
    const double used = best.columns * best.thumbnail.width() + (best.columns - 1) * gap;
    best.left = margin + (width - used) / 2;
    const int rows = (count + best.columns - 1) / best.columns;
    best.contentHeight = 2 * margin + rows * best.rowHeight - gap;
    return best;
}

QRectF SlideOverview::gridArea() const {
    return QRectF(0, headerHeight, width(), std::max(0, height() - int(headerHeight)));
}

void SlideOverview::open(Deck* shown, const QList<Slide>& all, int currentSlide) {
    deck = shown;
    slides = all;
    current = currentSlide;
    typed.clear();
    scrolled = 0;
    selection = -1;
    shape = grid(int(slides.size()), gridArea().size(), deck ? deck->aspect() : 16.0 / 9.0);
    raise();
    show();
    setFocus(Qt::OtherFocusReason);
    select(std::clamp(currentSlide, 0, int(slides.size()) - 1));
    layoutCells();
}

void SlideOverview::leave() {
    hide();
    typed.clear();
    // Nothing keeps drawing thumbnails for a hidden overview.
    for (const Cell& cell : std::as_const(cells)) {
        cell.view->setPage(std::nullopt);
        cell.view->hide();
    }
}

void SlideOverview::setCurrent(int slide) {
    if (slide == current)
        return;
    current = slide;
    layoutCells();
    update();
}

QRectF SlideOverview::thumbnailRect(int slide) const {
    const int row = slide / std::max(1, shape.columns);
    const int column = slide % std::max(1, shape.columns);
    return QRectF(shape.left + column * (shape.thumbnail.width() + gap),
                  headerHeight + margin + row * shape.rowHeight - scrolled, shape.thumbnail.width(),
                  shape.thumbnail.height());
}

int SlideOverview::slideAt(QPointF position) const {
    if (!gridArea().contains(position))
        return -1;
    for (int slide = 0; slide < slides.size(); ++slide) {
        // The number below belongs to its slide too.
        if (thumbnailRect(slide).adjusted(0, 0, 0, numberHeight).contains(position))
            return slide;
    }
    return -1;
}

void SlideOverview::select(int slide) {
    if (slide < 0 || slide >= slides.size() || slide == selection)
        return;
    selection = slide;
    ensureVisible(slide);
    update();
}

void SlideOverview::ensureVisible(int slide) {
    const QRectF shown =
        thumbnailRect(slide).adjusted(-margin, -margin, margin, numberHeight + margin);
    const QRectF area = gridArea();
    if (shown.top() < area.top())
        scrollBy(shown.top() - area.top());
    else if (shown.bottom() > area.bottom())
        scrollBy(shown.bottom() - area.bottom());
}

void SlideOverview::scrollBy(double pixels) {
    const double most = std::max(0.0, shape.contentHeight - gridArea().height());
    const double to = std::clamp(scrolled + pixels, 0.0, most);
    if (to == scrolled)
        return;
    scrolled = to;
    layoutCells();
    update();
}

void SlideOverview::layoutCells() {
    if (!isVisible())
        return;
    const QRectF area = gridArea();
    QList<int> inSight;
    for (int slide = 0; slide < slides.size(); ++slide) {
        if (thumbnailRect(slide).intersects(area))
            inSight.append(slide);
    }
    while (cells.size() < inSight.size()) {
        Cell cell;
        cell.view = new SlideView(this);
        cell.view->setPriority(RenderPriority::thumbnail);
        cell.view->setAttribute(Qt::WA_TransparentForMouseEvents);
        cell.dimmer = new Dimmer(this);
        cells.append(cell);
    }
    for (qsizetype i = 0; i < cells.size(); ++i) {
        const Cell& cell = cells.at(i);
        if (i >= inSight.size()) {
            cell.view->setPage(std::nullopt);
            cell.view->hide();
            cell.dimmer->hide();
            continue;
        }
        const int slide = inSight.at(i);
        const Slide& shown = slides.at(slide);
        // The page first, then the size: the view asks for one image, of its final page and size.
        const bool changed = cell.view->needsRefreshFor(shown.pictured);
        cell.view->setDeck(deck);
        cell.view->setPage(shown.pictured);
        const QRect frame = thumbnailRect(slide).toRect();
        const bool moved = cell.view->geometry().size() != frame.size();
        cell.view->setGeometry(frame);
        cell.view->setHighlightColor(slide == current ? std::optional<QColor>(Colors::orange)
                                                      : std::nullopt);
        cell.view->show();
        if (changed && !moved)
            cell.view->refresh();
        cell.dimmer->setGeometry(frame);
        cell.dimmer->setVisible(shown.hidden);
        cell.dimmer->raise();
    }
}

void SlideOverview::resizeEvent(QResizeEvent*) {
    if (slides.isEmpty())
        return;
    shape = grid(int(slides.size()), gridArea().size(), deck ? deck->aspect() : 16.0 / 9.0);
    scrollBy(0);
    if (selection >= 0)
        ensureVisible(selection);
    layoutCells();
}

void SlideOverview::keyPressEvent(QKeyEvent* event) {
    const int columns = std::max(1, shape.columns);
    const int perPage =
        columns * std::max(1, int(gridArea().height() / std::max(1.0, shape.rowHeight)));
    const int last = int(slides.size()) - 1;
    const QString text = event->text();
    if (text.size() == 1 && text.at(0).isDigit() && event->modifiers() == Qt::NoModifier) {
        if (typed.size() < longestNumber)
            typed += QString::number(text.at(0).digitValue());
        emit numberTyped(typed.toLongLong());
        update();
        return;
    }
    if (event->key() == Qt::Key_Backspace && !typed.isEmpty()) {
        typed.chop(1);
        if (!typed.isEmpty())
            emit numberTyped(typed.toLongLong());
        update();
        return;
    }
    const bool hadTyped = !typed.isEmpty();
    typed.clear();
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Backspace:
        select(std::max(0, selection - 1));
        break;
    case Qt::Key_Right:
    case Qt::Key_Space:
        select(std::min(last, selection + 1));
        break;
    case Qt::Key_Up:
        select(selection - columns >= 0 ? selection - columns : selection);
        break;
    case Qt::Key_Down:
        select(selection + columns <= last ? selection + columns : selection);
        break;
    case Qt::Key_PageUp:
        select(std::max(0, selection - perPage));
        break;
    case Qt::Key_PageDown:
        select(std::min(last, selection + perPage));
        break;
    case Qt::Key_Home:
        select(0);
        break;
    case Qt::Key_End:
        select(last);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (selection >= 0)
            emit chosen(selection);
        break;
    case Qt::Key_Escape:
        // Esc first drops a typed number, as it does in the talk.
        if (!hadTyped)
            emit left();
        break;
    default:
        event->ignore();
        return;
    }
    update();
}

void SlideOverview::mouseMoveEvent(QMouseEvent* event) {
    const int slide = slideAt(event->position());
    if (slide >= 0 && slide != selection) {
        selection = slide;
        update();
    }
}

void SlideOverview::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const int slide = slideAt(event->position());
    if (slide >= 0)
        emit chosen(slide);
}

void SlideOverview::wheelEvent(QWheelEvent* event) {
    scrollBy(-event->angleDelta().y() / 120.0 * std::max(40.0, shape.rowHeight / 2));
}

void SlideOverview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(LabelStyle::interfaceFont(13, QFont::Medium));
    painter.setPen(typed.isEmpty() ? Colors::grey(0.6) : Colors::orange);
    const QString header =
        typed.isEmpty()
            ? L10n::lookup("Folienübersicht · Pfeiltasten oder Nummer wählen · ⏎ zeigt die Folie "
                           "· Esc schließt")
            : L10n::format("Folie %@ … (⏎)", {typed});
    painter.drawText(QRectF(margin, 0, width() - 2 * margin, headerHeight),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, header);
    painter.setClipRect(gridArea());
    painter.setFont(LabelStyle::interfaceFont(12, QFont::Medium));
    const QRectF area = gridArea();
    for (int slide = 0; slide < slides.size(); ++slide) {
        const QRectF thumbnail = thumbnailRect(slide);
        if (!thumbnail.adjusted(-gap, -gap, gap, numberHeight + gap).intersects(area))
            continue;
        if (slide == selection) {
            painter.setPen(QPen(Colors::grey(0.95), 3));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(thumbnail.adjusted(-5, -5, 5, 5), 4, 4);
        }
        painter.setPen(slide == current          ? Colors::orange
                       : slides.at(slide).hidden ? Colors::grey(0.4)
                                                 : Colors::grey(0.75));
        painter.drawText(
            QRectF(thumbnail.x(), thumbnail.bottom() + 2, thumbnail.width(), numberHeight - 2),
            Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, slides.at(slide).number);
    }
    // Where the grid scrolls, a thin bar says how far.
    if (shape.contentHeight > area.height() && shape.contentHeight > 0) {
        const double share = area.height() / shape.contentHeight;
        const double top = area.top() + scrolled / shape.contentHeight * area.height();
        painter.setPen(Qt::NoPen);
        painter.setBrush(Colors::grey(0.5, 0.6));
        painter.drawRoundedRect(QRectF(width() - 6, top, 4, share * area.height()), 2, 2);
    }
}
