// The numbers the timing window shows for one run: per slide this run's time beside the plan and
// the mean of the runs before it, and which slides ran over.
#pragma once

#include "timing/TimingStore.h"

#include <optional>

struct TimingTable {
    struct Row {
        double seconds = 0; // this run, shown and blanked
        double blankSeconds = 0;
        std::optional<int> plannedSeconds;
        std::optional<double> averageSeconds;
        bool over = false;
        bool kept = false;
    };

    // A slide ran over when it took both this share and these seconds more than the plan (without
    // a plan, the mean of earlier runs): a few seconds either way are no news to a speaker.
    static constexpr double overShare = 0.1;
    static constexpr double overSeconds = 5;

    QList<Row> rows; // one per slide, from 0
    double totalSeconds = 0;
    std::optional<qint64> plannedTotal;
    std::optional<double> averageTotal;
    // The runs with this slide count that began before the chosen one.
    int earlierRuns = 0;

    qsizetype overCount() const;

    // For the deck's `slideCount` slides; an unknown run gives a table without its times.
    static TimingTable build(const DeckTimings& deck, const QString& runId, qsizetype slideCount);
    static bool ranOver(double seconds, double reference);
};
