// What the speaker planned for a talk: a length, or a time of day it ends at, and how many
// minutes before the end the timer warns.
#pragma once

#include <QString>
#include <QTime>
#include <optional>

struct PaceTarget {
    static constexpr int defaultLastMinutes = 5;
    // As long as the external timers accept: 100 hours.
    static constexpr int longestMinutes = 6000;

    // At most one of the two is set; neither means no plan, and the timer only counts up.
    std::optional<int> lengthMinutes;
    std::optional<QTime> endTime; // local time of day, whole minutes
    // With an end time: when the talk begins, so that the pace counts from there rather than
    // from whenever the talk timer started.
    std::optional<QTime> startTime;
    int lastMinutes = defaultLastMinutes;

    bool isSet() const { return lengthMinutes.has_value() || endTime.has_value(); }
    bool operator==(const PaceTarget&) const = default;

    // "20" (1 to longestMinutes), as typed on the command line or in the dialog.
    static std::optional<int> parseLength(const QString& text);
    // "14:30" or "9:05", 00:00 to 23:59.
    static std::optional<QTime> parseEndTime(const QString& text);

    // One line for the preferences: "20;5", "14:30;5" or "14:00-14:30;5"; an unset target is "".
    QString toText() const;
    // The target toText() wrote; anything else reads as no plan.
    static PaceTarget fromText(const QString& text);
};
