#include "ui/common/LinkClicks.h"

#include "document/Deck.h"
#include "document/ShownPage.h"
#include "ui/common/SlideView.h"

#include <QMouseEvent>

LinkClicks::LinkClicks(SlideView* view, bool hand) : QObject(view), view(view), hand(hand) {
    view->installEventFilter(this);
    if (!hand)
        return;
    view->setMouseTracking(true);
    // What lies over the slide (the tools' overlay) takes the pointer's moves: watch those too.
    for (QWidget* child : view->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->installEventFilter(this);
}

std::optional<PageLink> LinkClicks::linkAt(QPointF position) const {
    const Deck* deck = view->deck();
    const std::optional<qint64> page = view->page();
    if (!deck || !page || view->blank() != Blank::none)
        return std::nullopt;
    const QList<PageLink>& links = deck->navigation(*page).links;
    if (links.isEmpty())
        return std::nullopt;
    const ShownPage::Area area =
        ShownPage::area(*deck, *page, view->pixelKeySize(), view->showsNotes());
    const std::optional<QPointF> point = ShownPage::pagePoint(area, position * view->pixelRatio());
    if (!point)
        return std::nullopt;
    // Annotations later in the page's list lie on top.
    for (auto link = links.crbegin(); link != links.crend(); ++link) {
        if (link->area.contains(*point))
            return *link;
    }
    return std::nullopt;
}

void LinkClicks::showHand(bool overLink) {
    if (overLink == handShown)
        return;
    handShown = overLink;
    if (overLink)
        view->setCursor(Qt::PointingHandCursor);
    else
        view->unsetCursor();
}

bool LinkClicks::eventFilter(QObject* watched, QEvent* event) {
    if (watched != view) {
        // A child over the view: its moves show the hand; its presses reach the view when it
        // does not take them.
        auto* child = qobject_cast<QWidget*>(watched);
        if (hand && child && event->type() == QEvent::MouseMove)
            showHand(linkAt(child->mapTo(view, static_cast<QMouseEvent*>(event)->position()))
                         .has_value());
        return false;
    }
    switch (event->type()) {
    case QEvent::ChildAdded:
        // Installed when it is added, not yet fully built: only the object is needed.
        if (QObject* child = static_cast<QChildEvent*>(event)->child();
            hand && child->isWidgetType())
            child->installEventFilter(this);
        return false;
    case QEvent::MouseMove:
        if (hand)
            showHand(linkAt(static_cast<QMouseEvent*>(event)->position()).has_value());
        return false;
    case QEvent::Leave:
        if (hand)
            showHand(false);
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        const std::optional<PageLink> link = linkAt(mouse->position());
        if (!link)
            return false;
        // The second press of a double click follows nothing twice, and steps nowhere.
        if (event->type() == QEvent::MouseButtonPress)
            emit clicked(*link);
        return true;
    }
    default:
        return false;
    }
}
