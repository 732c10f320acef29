// What to leave out when a talk runs late: the fewest upcoming slides whose planned time makes up
// the lag, for the console to offer and one key to take.
#pragma once

#include "timing/PlanPace.h"

#include <QJsonObject>
#include <QSet>
#include <QString>

#include <optional>

struct SkipOffer {
    // Slides counted from 0, both inclusive.
    qsizetype first = 0;
    qsizetype last = 0;
    int savedSeconds = 0;
    qint64 lagSeconds = 0;

    // The preference that says how far behind the plan the offer begins.
    static constexpr int defaultThresholdSeconds = 60;
    static QString thresholdKey() { return QStringLiteral("skipThresholdSeconds"); }
    static int thresholdSeconds();

    // The shortest run of slides after `slide` and before `endSlide`, none of them kept, whose
    // planned time is at least `lagSeconds`; of equally short ones the one that leaves out the
    // least time, then the earliest. None when no such run makes up the lag.
    static std::optional<SkipOffer> choose(const SlidePlan& plan, qsizetype slide,
                                           qsizetype endSlide, qint64 lagSeconds,
                                           const QSet<qsizetype>& kept);
    // The offer while a talk with a length or end time runs more than `thresholdSeconds` behind.
    static std::optional<SkipOffer> find(const PlanPace& pace, const PlanPace::Reading& reading,
                                         qsizetype slide, const QSet<qsizetype>& kept,
                                         int thresholdSeconds);

    // "3:40 hinter Plan — Folien 18–20 überspringen spart 3:50", slides numbered from 1.
    QString text() const;
    // {"first", "last" (from 0), "seconds" saved}, as automation reports it.
    QJsonObject toJson() const;

    bool operator==(const SkipOffer&) const = default;
};
