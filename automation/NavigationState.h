// The automation's view of moving through the deck: the current page's links (which a check
// clicks with real mouse events where the tools' "views" show the slide), and the overview.
#pragma once

#include <QJsonArray>
#include <QJsonObject>

class Application;

namespace NavigationState {

// Each link: "rect" [x, y, w, h] of the page (0..1, top-left origin), "kind", "target" (a page
// from 0, an address, a file, a name, or null).
QJsonArray links(Application& app);
// "open" and "selected" (the slide, from 0; -1 while closed).
QJsonObject overview(Application& app);

} // namespace NavigationState
