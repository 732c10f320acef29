#include "app/PageLinks.h"

#include "base/L10n.h"
#include "document/Deck.h"
#include "show/SlideShow.h"
#include "ui/common/LinkClicks.h"

#include <QDesktopServices>

PageLinks::PageLinks(const Deck& deck, SlideShow& show, QObject* parent)
    : QObject(parent), openUrl(&QDesktopServices::openUrl), deck(deck), show(show) {}

void PageLinks::watch(SlideView* console, SlideView* audience) {
    connect(new LinkClicks(console, true), &LinkClicks::clicked, this,
            [this](const PageLink& link) { follow(link, true); });
    connect(new LinkClicks(audience, false), &LinkClicks::clicked, this,
            [this](const PageLink& link) { follow(link, false); });
}

void PageLinks::follow(const PageLink& link, bool onConsole) {
    using Does = LinkPolicy::Outcome::Does;
    const LinkPolicy::Outcome outcome = LinkPolicy::decide(link, deck.pageCount(), onConsole);
    lastNotice.clear();
    switch (outcome.does) {
    case Does::goTo:
        jumpTo(outcome.page);
        break;
    case Does::next:
        show.next();
        break;
    case Does::previous:
        show.previous();
        break;
    case Does::first:
        jumpTo(0);
        break;
    case Does::last:
        jumpTo(deck.pageCount() - 1);
        break;
    case Does::back:
        back();
        break;
    case Does::forward:
        forward();
        break;
    case Does::open:
        say(openUrl(outcome.url)
                ? L10n::format("Geöffnet: %@", {LinkPolicy::shown(outcome.url.toString())})
                : L10n::format("Konnte nicht geöffnet werden: %@",
                               {LinkPolicy::shown(outcome.url.toString())}));
        break;
    case Does::refuse:
        say(outcome.why);
        break;
    }
    emit acted();
}

void PageLinks::back() {
    if (const std::optional<qint64> page = history.back(show.page()))
        show.goTo(*page);
}

void PageLinks::forward() {
    if (const std::optional<qint64> page = history.forward(show.page()))
        show.goTo(*page);
}

void PageLinks::clear() {
    history.clear();
    lastNotice.clear();
}

QString PageLinks::notice() const {
    return show.page() == noticePage ? lastNotice : QString();
}

void PageLinks::jumpTo(qint64 page) {
    if (page == show.page() && !show.isBlanked())
        return;
    history.jumped(show.page());
    show.goTo(page);
}

void PageLinks::say(const QString& text) {
    lastNotice = text;
    noticePage = show.page();
}
