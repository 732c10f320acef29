// Which links are followed, and how: pages, named destinations and the viewer's named actions
// always; web addresses (http, https, mailto) only from the console, in the desktop's program;
// nothing that would start a program, open a file, run a script or leave the document.
#pragma once

#include "engine/PageNavigation.h"

#include <QString>
#include <QUrl>

namespace LinkPolicy {

struct Outcome {
    enum class Does { goTo, next, previous, first, last, back, forward, open, refuse };
    Does does = Does::refuse;
    // goTo: the page.
    qint64 page = -1;
    // open: the address.
    QUrl url;
    // refuse: why, for the status line.
    QString why;
};

// What a click on `link` does in a deck of `pageCount` pages, clicked on the console or on the
// projector.
Outcome decide(const PageLink& link, qint64 pageCount, bool onConsole);

// Text from the file as the status line shows it: one line, control characters dropped, long
// text shortened.
QString shown(const QString& text);

} // namespace LinkPolicy
