#include "app/OverviewControl.h"

#include "document/Deck.h"
#include "show/SlideShow.h"
#include "ui/console/PresenterView.h"
#include "ui/console/SlideOverview.h"

OverviewControl::OverviewControl(Deck& deck, SlideShow& show, QObject* parent)
    : QObject(parent), deck(deck), show(show) {
    connect(&show, &SlideShow::changed, this, [this] {
        if (isOpen())
            overview->setCurrent(int(this->show.slides().slideOf(this->show.page())));
    });
}

void OverviewControl::attach(PresenterView* view) {
    console = view;
    overview = new SlideOverview(view);
    connect(view, &PresenterView::laidOut, this, &OverviewControl::place);
    connect(overview, &SlideOverview::chosen, this, [this](int slide) {
        leave();
        show.goTo(show.slides().firstShownStep(slide));
    });
    connect(overview, &SlideOverview::left, this, &OverviewControl::leave);
    connect(overview, &SlideOverview::numberTyped, this, [this](qint64 number) {
        const SlideStructure& slides = show.slides();
        if (slides.hasNumber(number))
            overview->select(int(slides.slideOf(slides.pageForNumber(number))));
    });
}

void OverviewControl::toggle() {
    if (!overview)
        return;
    if (isOpen()) {
        leave();
        return;
    }
    const SlideStructure& slides = show.slides();
    if (slides.slideCount() < 1)
        return;
    const QStringList numbers = SlideStructure::countedLabels(deck.pageLabels());
    QList<SlideOverview::Slide> shown;
    for (qint64 slide = 0; slide < slides.slideCount(); ++slide) {
        const qint64 first = slides.firstPage(slide);
        // Each slide as the audience sees it last: all its steps built up.
        shown.append({first, slides.lastShownStep(slide),
                      numbers.value(first, QString::number(slide + 1)), slides.isHidden(slide)});
    }
    place();
    overview->open(&deck, shown, int(slides.slideOf(show.page())));
}

void OverviewControl::leave() {
    if (!isOpen())
        return;
    overview->leave();
    if (console)
        console->setFocus(Qt::OtherFocusReason);
}

bool OverviewControl::isOpen() const {
    return overview && overview->isOpen();
}

int OverviewControl::selected() const {
    return isOpen() ? overview->selected() : -1;
}

void OverviewControl::place() {
    if (overview && console)
        overview->setGeometry(console->slideArea());
}
