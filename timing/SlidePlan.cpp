#include "timing/SlidePlan.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

qint64 SlidePlan::startOf(qsizetype slide) const {
    return totalThrough(slide - 1);
}

qint64 SlidePlan::totalThrough(qsizetype lastSlide) const {
    const qsizetype end = std::clamp<qsizetype>(lastSlide + 1, 0, seconds.size());
    qint64 total = 0;
    for (qsizetype i = 0; i < end; ++i)
        total += seconds.at(i);
    return total;
}

SlidePlan SlidePlan::fromRun(const TalkRun& run, qsizetype slideCount) {
    SlidePlan plan;
    plan.seconds.resize(slideCount, 0);
    const qsizetype shared = std::min(slideCount, run.slideCount());
    for (qsizetype i = 0; i < shared; ++i)
        plan.seconds[i] =
            int(std::min(std::round(run.slides.at(i).seconds()), double(longestSlideSeconds)));
    return plan;
}

QList<double> SlidePlan::meanSeconds(const QList<TalkRun>& runs, qsizetype slideCount) {
    QList<double> sums(slideCount, 0.0);
    int counted = 0;
    for (const TalkRun& run : runs) {
        if (run.slideCount() != slideCount)
            continue;
        ++counted;
        for (qsizetype i = 0; i < slideCount; ++i)
            sums[i] += run.slides.at(i).seconds();
    }
    if (counted == 0)
        return {};
    for (double& sum : sums)
        sum /= counted;
    return sums;
}

SlidePlan SlidePlan::averageOf(const QList<TalkRun>& runs, qsizetype slideCount) {
    SlidePlan plan;
    for (const double mean : meanSeconds(runs, slideCount))
        plan.seconds.append(int(std::min(std::round(mean), double(longestSlideSeconds))));
    return plan;
}

QString SlidePlan::formatSeconds(qint64 seconds) {
    const QString sign = seconds < 0 ? QStringLiteral("-") : QString();
    const qint64 magnitude = std::abs(seconds);
    const qint64 hours = magnitude / 3600;
    const QString rest = QStringLiteral("%1:%2")
                             .arg(hours > 0 ? (magnitude / 60) % 60 : magnitude / 60,
                                  hours > 0 ? 2 : 1, 10, QLatin1Char('0'))
                             .arg(magnitude % 60, 2, 10, QLatin1Char('0'));
    return hours > 0 ? sign + QString::number(hours) + QLatin1Char(':') + rest : sign + rest;
}

std::optional<int> SlidePlan::parseSeconds(const QString& text) {
    static const QRegularExpression form(
        QStringLiteral("^(?:(?:([0-9]{1,3}):)?([0-9]{1,4}):)?([0-9]{1,6})$"));
    const QRegularExpressionMatch match = form.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const bool clock = match.hasCaptured(2);
    const qint64 hours = match.captured(1).toLongLong();
    const qint64 minutes = match.captured(2).toLongLong();
    const qint64 seconds = match.captured(3).toLongLong();
    // "1:75" is no time; "90" alone is.
    if (clock && (seconds >= 60 || match.captured(3).size() != 2))
        return std::nullopt;
    if (match.hasCaptured(1) && (minutes >= 60 || match.captured(2).size() != 2))
        return std::nullopt;
    const qint64 total = hours * 3600 + minutes * 60 + seconds;
    if (total > longestSlideSeconds)
        return std::nullopt;
    return int(total);
}
