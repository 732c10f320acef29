// The PDF's own links in the running program: a click on a link on the console's current slide
// or on the projector goes where the link leads, as the link policy allows; Alt+Left and the
// GoBack/GoForward actions walk the jumps made by links. Web addresses open in the desktop's
// program from the console only; what is not followed is said on the status line.
#pragma once

#include "navigation/LinkHistory.h"
#include "navigation/LinkPolicy.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

class Deck;
class SlideShow;
class SlideView;

class PageLinks : public QObject {
    Q_OBJECT
public:
    PageLinks(const Deck& deck, SlideShow& show, QObject* parent = nullptr);

    // The console's current slide (the pointer shows a hand over links) and the projector's
    // (which never shows a pointer).
    void watch(SlideView* console, SlideView* audience);
    // Alt+Left: back to the page the last link jump left.
    void back();
    // Alt+Right: forward again to where the jump led, after going back.
    void forward();
    // A new deck: its jumps start afresh.
    void clear();
    // What the last click on a link did or why it did nothing, while its page is shown; empty
    // otherwise.
    QString notice() const;

    // Opens a web address; the desktop's default program by default.
    std::function<bool(const QUrl&)> openUrl;

    void follow(const PageLink& link, bool onConsole);

signals:
    // A link moved the talk or changed the notice: the console shows it.
    void acted();

private:
    void jumpTo(qint64 page);
    void say(const QString& text);

    const Deck& deck;
    SlideShow& show;
    LinkHistory history;
    QString lastNotice;
    qint64 noticePage = -1;
};
