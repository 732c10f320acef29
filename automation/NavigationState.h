// The automation's view of moving through the deck: the current page's links, where the console
// and the projector show their slide (so that a check can click a link with real mouse events),
// and the overview.
#pragma once

#include <QJsonArray>
#include <QJsonObject>

class Application;

namespace NavigationState {

// Each link: "rect" [x, y, w, h] of the page (0..1, top-left origin), "kind", "target" (a page
// from 0, an address, a file, a name, or null).
QJsonArray links(Application& app);
// "current" and "audience": [x, y, w, h] in screen pixels of the page as shown; empty where the
// view is not shown.
QJsonObject views(Application& app);
// "open" and "selected" (the slide, from 0; -1 while closed).
QJsonObject overview(Application& app);

} // namespace NavigationState
