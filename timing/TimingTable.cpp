#include "timing/TimingTable.h"

#include <algorithm>

qsizetype TimingTable::overCount() const {
    return std::count_if(rows.begin(), rows.end(), [](const Row& row) { return row.over; });
}

bool TimingTable::ranOver(double seconds, double reference) {
    const double beyond = seconds - reference;
    return beyond > overSeconds && beyond > reference * overShare;
}

TimingTable TimingTable::build(const DeckTimings& deck, const QString& runId,
                               qsizetype slideCount) {
    TimingTable table;
    table.rows.resize(std::max<qsizetype>(0, slideCount));
    const auto chosen = std::find_if(deck.runs.begin(), deck.runs.end(),
                                     [&runId](const TalkRun& run) { return run.id == runId; });
    QList<TalkRun> earlier;
    if (chosen != deck.runs.end()) {
        for (const TalkRun& run : deck.runs) {
            if (run.startMs < chosen->startMs && run.id != chosen->id)
                earlier.append(run);
        }
        table.totalSeconds = chosen->totalSeconds();
    }
    const QList<double> means = SlidePlan::meanSeconds(earlier, slideCount);
    table.earlierRuns = int(std::count_if(earlier.begin(), earlier.end(), [&](const TalkRun& run) {
        return run.slideCount() == slideCount;
    }));
    const bool planned = deck.plan.fits(slideCount);
    if (planned)
        table.plannedTotal = deck.plan.totalThrough(slideCount - 1);
    if (!means.isEmpty())
        table.averageTotal = 0.0;

    for (qsizetype slide = 0; slide < table.rows.size(); ++slide) {
        Row& row = table.rows[slide];
        if (chosen != deck.runs.end() && slide < chosen->slideCount()) {
            row.seconds = chosen->slides.at(slide).seconds();
            row.blankSeconds = chosen->slides.at(slide).blankSeconds;
        }
        if (planned)
            row.plannedSeconds = deck.plan.seconds.at(slide);
        if (!means.isEmpty()) {
            row.averageSeconds = means.at(slide);
            *table.averageTotal += means.at(slide);
        }
        row.kept = deck.kept.contains(slide);
        if (chosen == deck.runs.end())
            continue;
        if (row.plannedSeconds)
            row.over = ranOver(row.seconds, *row.plannedSeconds);
        else if (row.averageSeconds)
            row.over = ranOver(row.seconds, *row.averageSeconds);
    }
    return table;
}
