// The deck as its author made it: the pages that build one slide up step by step (beamer and
// Typst overlays) grouped into that slide, the hidden slides, and the slide that ends the talk
// proper, after which come the backup slides.
#pragma once

#include <QList>
#include <QMap>
#include <QSet>
#include <QStringList>

#include <optional>

class SlideStructure {
public:
    struct Layout {
        // One per page, as the sidecar writers count them (see countedLabels).
        QStringList labels;
        // A slide takes in the consecutive pages that carry its first page's label; off where
        // the labels cannot be trusted (beamer's notes pages, a sidecar that groups by hand).
        bool byLabels = true;
        // Pages that belong to the slide before them, whatever their labels.
        QSet<qint64> continuing;
        // Pages the talk steps over; a slide is hidden when all its pages are.
        QSet<qint64> hiddenPages;
        // From 0; the last slide when absent or beyond the deck.
        std::optional<qint64> endSlide;
    };

    // A deck without pages.
    SlideStructure() = default;
    explicit SlideStructure(const Layout& layout);
    // Every page a slide of its own, numbered by page: a deck read without its notes.
    static SlideStructure pagesAlone(qint64 pageCount);

    // The deck's labels, with the page number (from 1) where a page has none, as the sidecar
    // writers and a viewer without labels count.
    static QStringList countedLabels(const QStringList& pageLabels);

    qint64 pageCount() const { return slideOfPage.size(); }
    qint64 slideCount() const { return firstPages.size() - 1; }

    // A page beyond the deck counts as its nearest page; 0 for a deck without pages.
    qint64 slideOf(qint64 page) const;
    // The page's place in its slide, from 0 ("Schritt 2 / 4" is step 1 of 4).
    qint64 stepOf(qint64 page) const;
    qint64 stepCount(qint64 slide) const;
    qint64 firstPage(qint64 slide) const;
    qint64 lastPage(qint64 slide) const;

    // The page a typed slide number stands for, as the labels number the slides: the first page
    // labelled with it (the first step of slide 7 is the page labelled "7"; without labels, page
    // 7), else the nearest numbered below it. Where labels do not count or none is a number, the
    // first page of the slide so counted from 1, within the deck.
    qint64 pageForNumber(qint64 number) const;
    // Whether a typed number names a slide: one of the slides counted from 1 (0 and below
    // stand for the first) or, where labels count, a page's label.
    bool hasNumber(qint64 number) const;

    // The first and last step of the slide the audience sees, passing hidden steps; the slide's
    // own first and last page when all of its steps are hidden.
    qint64 firstShownStep(qint64 slide) const;
    qint64 lastShownStep(qint64 slide) const;

    // The first shown step of the next slide that is not hidden; `page` itself when there is
    // none.
    qint64 nextSlide(qint64 page) const;
    // The last shown step of the previous slide that is not hidden, built up as the audience saw
    // it last; `page` itself when there is none.
    qint64 previousSlide(qint64 page) const;

    bool isHidden(qint64 slide) const;
    qint64 endSlide() const { return end; }

    // For the pace: the slides of the talk proper that are shown (not hidden, up to the end
    // slide), and how many of them come before the page's slide (at most all of them).
    qint64 talkSlideCount() const { return shownBefore.value(end + 1); }
    qint64 talkSlidesBefore(qint64 page) const;

    friend bool operator==(const SlideStructure&, const SlideStructure&) = default;

private:
    qint64 clampedPage(qint64 page) const;
    qint64 clampedSlide(qint64 slide) const;

    QList<qint64> slideOfPage;
    // The first page of each slide, then the page count.
    QList<qint64> firstPages{0};
    QList<bool> pageHidden;
    // shownBefore[i]: the slides among the first i that are not hidden.
    QList<qint64> shownBefore{0};
    // The first page of each label that is a number, by that number.
    QMap<qint64, qint64> numbered;
    bool byLabels = true;
    qint64 end = -1;
};
