// The talk's state: the page the audience sees, blanking, whether a presentation runs, the
// slide number being typed and what became of it. Changed only through its methods; each call
// announces once what it changed, so one command means one refresh.
#pragma once

#include "document/Blank.h"
#include "notes/SlideStructure.h"

#include <QObject>
#include <QString>

#include <optional>

class DeckNotes;

class SlideShow : public QObject {
    Q_OBJECT
public:
    explicit SlideShow(QObject* parent = nullptr);

    qint64 pageCount() const { return state.pageCount; }
    qint64 page() const { return state.page; }
    Blank blank() const { return state.blank; }
    bool isBlanked() const { return state.blank != Blank::none; }
    bool isPresenting() const { return state.presenting; }
    // The digits typed so far for a jump.
    const QString& typed() const { return state.typed; }
    // A typed number that named no slide, until the next call.
    std::optional<qint64> missingNumber() const { return state.missing; }
    // The deck's slides as its author made them; without notes every page is one.
    const SlideStructure& slides() const;

    // A deck of `pageCount` pages is shown now, its hidden pages read from `notes` (none without).
    // A new deck ends the talk and starts at its first page, unblanked; the same deck read again
    // keeps the talk, the page (clamped) and the blanking.
    void setDeck(qint64 pageCount, const DeckNotes* notes, bool keepPlace);
    // The page one step (+1 or -1) from `from`, over hidden pages; `from` when there is none.
    qint64 neighbour(qint64 from, int direction) const;

    // Shows the clamped page: blanking ends and a typed number is dropped.
    void goTo(qint64 page);
    // One page, over hidden pages.
    void next();
    void previous();
    // One whole slide: to the next slide's first step, or to the previous one's last.
    void nextSlide();
    void previousSlide();
    void first();
    // The first step of the slide that ends the talk proper.
    void last();
    // The typed slide as the labels number it; a number that names no slide goes nowhere and is
    // kept to be said. With nothing readable typed, the next page.
    void goToTyped();
    // One more digit of the slide number, up to four.
    void type(const QString& digit);
    void clearTyped();
    // Black or white on, or back to the slide when that one is on; a typed number stays.
    void toggleBlank(Blank blank);
    void unblank();
    // Starts a presentation; false without a deck.
    bool start();
    // Starts presenting at the clamped page, or goes there while presenting; a typed number
    // stays.
    void startFrom(qint64 page);
    void stop();
    // Drops a typed number or what was said of it, else shows the slide again, else ends the
    // presentation.
    void escape();

signals:
    // Once per call that changed anything.
    void changed();
    // After changed(), when the call started or ended a presentation.
    void presentingChanged(bool presenting);

private:
    struct State {
        qint64 pageCount = 0;
        qint64 page = 0;
        Blank blank = Blank::none;
        bool presenting = false;
        QString typed;
        std::optional<qint64> missing;
        friend bool operator==(const State&, const State&) = default;
    };
    // Collects the changes of one call, nested calls included, and announces them at its end.
    class Batch;

    State state;
    const DeckNotes* notes = nullptr;
    SlideStructure pagesAlone;
    int depth = 0;
};
