// The slide overview in the running program: Tab or the View menu lays it over the console's
// slide area with the deck's slides as the talk counts them; the talk hears only of the slide
// chosen, and the projector is untouched until then.
#pragma once

#include <QObject>
#include <QPointer>

class Deck;
class PresenterView;
class SlideOverview;
class SlideShow;

class OverviewControl : public QObject {
    Q_OBJECT
public:
    OverviewControl(Deck& deck, SlideShow& show, QObject* parent = nullptr);

    // The console it covers; the overview is made once, hidden.
    void attach(PresenterView* console);
    // Opens it at the current slide, or leaves it.
    void toggle();
    void leave();
    bool isOpen() const;
    // The slide selected while open; -1 otherwise.
    int selected() const;

private:
    void place();

    Deck& deck;
    SlideShow& show;
    QPointer<PresenterView> console;
    QPointer<SlideOverview> overview;
};
