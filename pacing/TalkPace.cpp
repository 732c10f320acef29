#include "pacing/TalkPace.h"

#include "net/Clock.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>

TalkPace::TalkPace(PaceTarget target, const Clock& clock, QTimeZone zone)
    : plan(std::move(target)), clock(clock), zone(std::move(zone)) {}

double TalkPace::endMoment(QTime endTime, double nowMs, const QTimeZone& zone) {
    const QDate today = QDateTime::fromMSecsSinceEpoch(qint64(nowMs), zone).date();
    const double earliest = nowMs - overrunHours * 3600'000.0;
    for (int day = -1; day <= 1; ++day) {
        const double moment =
            double(QDateTime(today.addDays(day), endTime, zone).toMSecsSinceEpoch());
        if (moment > earliest)
            return moment;
    }
    // Only reached when a time-zone change skips a whole day.
    return double(QDateTime(today.addDays(2), endTime, zone).toMSecsSinceEpoch());
}

TalkPace::Reading TalkPace::read(double talkSeconds, qsizetype slideIndex,
                                 qsizetype slideCount) const {
    Reading reading;
    double remaining = 0;
    double planned = 0;
    double used = talkSeconds;
    if (plan.lengthMinutes) {
        planned = *plan.lengthMinutes * 60.0;
        remaining = planned - talkSeconds;
    } else if (plan.endTime) {
        const double now = clock.nowMs();
        remaining = (endMoment(*plan.endTime, now, zone) - now) / 1000.0;
        if (plan.startTime) {
            // The plan runs from its start to its end, the next day's when the end is not later.
            const int span = plan.startTime->secsTo(*plan.endTime);
            planned = span > 0 ? span : span + 24 * 3600;
            used = planned - remaining;
        } else {
            // The plan runs from when the talk began, whenever that was, to the end time.
            planned = talkSeconds + std::max(0.0, remaining);
        }
    }
    reading.remainingSeconds = qint64(std::ceil(remaining));
    if (reading.remainingSeconds <= 0)
        reading.phase = Phase::over;
    else if (reading.remainingSeconds <= plan.lastMinutes * 60)
        reading.phase = Phase::lastMinutes;
    if (reading.phase == Phase::over)
        reading.timeUsed = 1;
    else if (planned > 0)
        reading.timeUsed = std::clamp(used / planned, 0.0, 1.0);

    if (slideCount > 0) {
        const qsizetype index = std::clamp<qsizetype>(slideIndex, 0, slideCount - 1);
        reading.slideShare = 1.0 / double(slideCount);
        reading.slidesDone = double(index) / double(slideCount);
        if (reading.timeUsed < reading.slidesDone)
            reading.pace = Pace::ahead;
        else if (reading.timeUsed > reading.slidesDone + reading.slideShare)
            reading.pace = Pace::behind;
    }
    return reading;
}

QString TalkPace::phaseName(Phase phase) {
    switch (phase) {
    case Phase::normal:
        break;
    case Phase::lastMinutes:
        return QStringLiteral("last-minutes");
    case Phase::over:
        return QStringLiteral("over");
    }
    return QStringLiteral("normal");
}
