#include "show/SlideShow.h"

#include "notes/DeckNotes.h"

#include <algorithm>

class SlideShow::Batch {
public:
    // What a typed number came to is said until the next call.
    explicit Batch(SlideShow& show) : show(show), before(show.state) {
        if (show.depth++ == 0)
            show.state.missing.reset();
    }
    ~Batch() {
        if (--show.depth > 0)
            return;
        const bool presentingChanged = before.presenting != show.state.presenting;
        if (!(before == show.state))
            emit show.changed();
        if (presentingChanged)
            emit show.presentingChanged(show.state.presenting);
    }

private:
    SlideShow& show;
    const State before;
};

SlideShow::SlideShow(QObject* parent) : QObject(parent) {}

void SlideShow::setDeck(qint64 pageCount, const DeckNotes* deckNotes, bool keepPlace) {
    Batch batch(*this);
    notes = deckNotes;
    state.pageCount = std::max<qint64>(pageCount, 0);
    pagesAlone = deckNotes ? SlideStructure() : SlideStructure::pagesAlone(state.pageCount);
    if (keepPlace) {
        state.page = std::clamp<qint64>(state.page, 0, std::max<qint64>(state.pageCount - 1, 0));
    } else {
        state.page = 0;
        state.blank = Blank::none;
        state.typed.clear();
        state.presenting = false;
    }
}

const SlideStructure& SlideShow::slides() const {
    return notes ? notes->slides() : pagesAlone;
}

qint64 SlideShow::neighbour(qint64 from, int direction) const {
    return notes ? notes->step(from, direction) : from + direction;
}

void SlideShow::goTo(qint64 target) {
    Batch batch(*this);
    state.typed.clear();
    if (state.pageCount < 1)
        return;
    state.page = std::clamp<qint64>(target, 0, state.pageCount - 1);
    state.blank = Blank::none;
}

void SlideShow::next() {
    goTo(neighbour(state.page, +1));
}

void SlideShow::previous() {
    goTo(neighbour(state.page, -1));
}

void SlideShow::nextSlide() {
    goTo(slides().nextSlide(state.page));
}

void SlideShow::previousSlide() {
    goTo(slides().previousSlide(state.page));
}

void SlideShow::first() {
    goTo(0);
}

void SlideShow::last() {
    goTo(slides().firstPage(slides().endSlide()));
}

void SlideShow::goToTyped() {
    Batch batch(*this);
    bool readable = false;
    const qint64 number = state.typed.toLongLong(&readable, 10);
    if (!readable) {
        goTo(neighbour(state.page, +1));
    } else if (!slides().hasNumber(number)) {
        state.typed.clear();
        state.missing = number;
    } else {
        goTo(slides().pageForNumber(number));
    }
}

void SlideShow::type(const QString& digit) {
    Batch batch(*this);
    if (state.typed.size() < 4)
        state.typed += digit;
}

void SlideShow::clearTyped() {
    Batch batch(*this);
    state.typed.clear();
}

void SlideShow::toggleBlank(Blank blank) {
    Batch batch(*this);
    state.blank = state.blank == blank ? Blank::none : blank;
}

void SlideShow::unblank() {
    Batch batch(*this);
    state.blank = Blank::none;
}

bool SlideShow::start() {
    Batch batch(*this);
    if (state.pageCount < 1)
        return false;
    state.presenting = true;
    return true;
}

void SlideShow::startFrom(qint64 page) {
    Batch batch(*this);
    if (state.pageCount < 1)
        return;
    state.page = std::clamp<qint64>(page, 0, state.pageCount - 1);
    state.blank = Blank::none;
    state.presenting = true;
}

void SlideShow::stop() {
    Batch batch(*this);
    state.presenting = false;
}

void SlideShow::escape() {
    const bool answered = state.missing.has_value();
    Batch batch(*this);
    if (answered || !state.typed.isEmpty())
        state.typed.clear();
    else if (state.blank != Blank::none)
        state.blank = Blank::none;
    else
        state.presenting = false;
}
