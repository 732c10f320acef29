#include "notes/SlideStructure.h"

#include <algorithm>
#include <iterator>

SlideStructure::SlideStructure(const Layout& layout) : byLabels(layout.byLabels) {
    const qint64 pages = layout.labels.size();
    firstPages.clear();
    qint64 opening = 0;
    for (qint64 page = 0; page < pages; ++page) {
        const QString& label = layout.labels.at(page);
        const bool joins = page > 0 && (layout.continuing.contains(page) ||
                                        (byLabels && label == layout.labels.at(opening)));
        if (!joins) {
            firstPages.append(page);
            opening = page;
        }
        slideOfPage.append(firstPages.size() - 1);
        pageHidden.append(layout.hiddenPages.contains(page));
        bool isNumber = false;
        const qint64 number = label.toLongLong(&isNumber);
        if (isNumber && !numbered.contains(number))
            numbered.insert(number, page);
    }
    firstPages.append(pages);
    for (qint64 slide = 0; slide < slideCount(); ++slide)
        shownBefore.append(shownBefore.last() + (isHidden(slide) ? 0 : 1));
    if (slideCount() > 0)
        end = std::clamp<qint64>(layout.endSlide.value_or(slideCount() - 1), 0, slideCount() - 1);
}

SlideStructure SlideStructure::pagesAlone(qint64 pageCount) {
    Layout layout;
    layout.labels = countedLabels(QStringList(pageCount));
    return SlideStructure(layout);
}

QStringList SlideStructure::countedLabels(const QStringList& pageLabels) {
    QStringList counted;
    for (qsizetype page = 0; page < pageLabels.size(); ++page)
        counted.append(pageLabels.at(page).isEmpty() ? QString::number(page + 1)
                                                     : pageLabels.at(page));
    return counted;
}

qint64 SlideStructure::clampedPage(qint64 page) const {
    return std::clamp<qint64>(page, 0, std::max<qint64>(pageCount() - 1, 0));
}

qint64 SlideStructure::clampedSlide(qint64 slide) const {
    return std::clamp<qint64>(slide, 0, std::max<qint64>(slideCount() - 1, 0));
}

qint64 SlideStructure::slideOf(qint64 page) const {
    return slideOfPage.value(clampedPage(page), 0);
}

qint64 SlideStructure::stepOf(qint64 page) const {
    return pageCount() > 0 ? clampedPage(page) - firstPage(slideOf(page)) : 0;
}

qint64 SlideStructure::stepCount(qint64 slide) const {
    return slideCount() > 0 ? lastPage(slide) - firstPage(slide) + 1 : 0;
}

qint64 SlideStructure::firstPage(qint64 slide) const {
    return slideCount() > 0 ? firstPages.at(clampedSlide(slide)) : 0;
}

qint64 SlideStructure::lastPage(qint64 slide) const {
    return slideCount() > 0 ? firstPages.at(clampedSlide(slide) + 1) - 1 : 0;
}

qint64 SlideStructure::pageForNumber(qint64 number) const {
    if (!byLabels || numbered.isEmpty())
        return firstPage(number - 1);
    const auto above = numbered.upperBound(number);
    return above == numbered.cbegin() ? 0 : std::prev(above).value();
}

bool SlideStructure::hasNumber(qint64 number) const {
    return number <= slideCount() || (byLabels && numbered.contains(number));
}

qint64 SlideStructure::firstShownStep(qint64 slide) const {
    for (qint64 page = firstPage(slide); page <= lastPage(slide); ++page) {
        if (!pageHidden.value(page))
            return page;
    }
    return firstPage(slide);
}

qint64 SlideStructure::lastShownStep(qint64 slide) const {
    for (qint64 page = lastPage(slide); page >= firstPage(slide); --page) {
        if (!pageHidden.value(page))
            return page;
    }
    return lastPage(slide);
}

bool SlideStructure::isHidden(qint64 slide) const {
    if (slide < 0 || slide >= slideCount())
        return false;
    return std::all_of(pageHidden.begin() + firstPages.at(slide),
                       pageHidden.begin() + firstPages.at(slide + 1),
                       [](bool hidden) { return hidden; });
}

qint64 SlideStructure::nextSlide(qint64 page) const {
    for (qint64 slide = slideOf(page) + 1; slide < slideCount(); ++slide) {
        if (!isHidden(slide))
            return firstShownStep(slide);
    }
    return page;
}

qint64 SlideStructure::previousSlide(qint64 page) const {
    for (qint64 slide = slideOf(page) - 1; slide >= 0; --slide) {
        if (!isHidden(slide))
            return lastShownStep(slide);
    }
    return page;
}

qint64 SlideStructure::talkSlidesBefore(qint64 page) const {
    return shownBefore.value(std::min(slideOf(page), end + 1));
}
