// The links of the page a slide view shows, made clickable without touching the view's own mouse
// handling: a press on a link is taken and reported, any other goes on as before. On the console
// the pointer turns into a hand over a link.
#pragma once

#include "engine/PageNavigation.h"

#include <QObject>
#include <QPointF>

#include <optional>

class SlideView;

class LinkClicks : public QObject {
    Q_OBJECT
public:
    // Watches `view`; with `hand` the pointer shows where a link is.
    LinkClicks(SlideView* view, bool hand);

    // The link under a point of the view (its own coordinates); the topmost where they overlap.
    std::optional<PageLink> linkAt(QPointF position) const;

signals:
    void clicked(const PageLink& link);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showHand(bool overLink);

    SlideView* const view;
    const bool hand;
    bool handShown = false;
};
