#include "timing/TalkRun.h"

#include "net/Json.h"

#include <QDateTime>
#include <cmath>
#include <limits>

namespace {

// Milliseconds are as exact as the clock behind them; more digits only grow the file.
double toMilliseconds(double seconds) {
    return std::round(seconds * 1000.0) / 1000.0;
}

QJsonArray numbers(const QList<TalkRun::Slide>& slides, double (*field)(const TalkRun::Slide&)) {
    QJsonArray array;
    for (const TalkRun::Slide& slide : slides)
        array.append(field(slide));
    return array;
}

// A list of non-negative finite numbers of exactly `count` items (any count when -1).
std::optional<QList<double>> readSeconds(const QJsonValue& value, qsizetype count) {
    if (!value.isArray())
        return std::nullopt;
    const QJsonArray array = value.toArray();
    if (count >= 0 && array.size() != count)
        return std::nullopt;
    QList<double> seconds;
    seconds.reserve(array.size());
    for (const QJsonValue& item : array) {
        const double number = item.toDouble(-1);
        if (!item.isDouble() || !std::isfinite(number) || number < 0)
            return std::nullopt;
        seconds.append(number);
    }
    return seconds;
}

std::optional<TalkRun::Skip> readSkip(const QJsonValue& value, qsizetype slideCount) {
    if (!value.isObject())
        return std::nullopt;
    Json::Reader reader(value.toObject());
    TalkRun::Skip skip;
    skip.first = reader.requiredInteger(QStringLiteral("first"));
    skip.last = reader.requiredInteger(QStringLiteral("last"));
    skip.atSeconds = reader.requiredNumber(QStringLiteral("at"));
    const qint64 planned = reader.requiredInteger(QStringLiteral("planned"));
    if (!reader.ok() || skip.first < 0 || skip.last < skip.first || skip.last >= slideCount ||
        skip.atSeconds < 0 || planned < 0 || planned > std::numeric_limits<int>::max())
        return std::nullopt;
    skip.plannedSeconds = int(planned);
    return skip;
}

} // namespace

double TalkRun::totalSeconds() const {
    double total = 0;
    for (const Slide& slide : slides)
        total += slide.seconds();
    return total;
}

QList<double> TalkRun::slideSeconds() const {
    QList<double> seconds;
    seconds.reserve(slides.size());
    for (const Slide& slide : slides)
        seconds.append(slide.seconds());
    return seconds;
}

QString TalkRun::kindName(Kind kind) {
    return kind == Kind::rehearsal ? QStringLiteral("rehearsal") : QStringLiteral("talk");
}

QJsonObject TalkRun::toJson() const {
    QJsonArray visits;
    for (const Slide& slide : slides)
        visits.append(slide.visits);
    QJsonArray skipped;
    for (const Skip& skip : skips)
        skipped.append(QJsonObject{{QStringLiteral("first"), skip.first},
                                   {QStringLiteral("last"), skip.last},
                                   {QStringLiteral("at"), toMilliseconds(skip.atSeconds)},
                                   {QStringLiteral("planned"), skip.plannedSeconds}});
    QJsonObject object{
        {QStringLiteral("id"), id},
        {QStringLiteral("name"), name},
        {QStringLiteral("kind"), kindName(kind)},
        {QStringLiteral("start"), qint64(startMs)},
        {QStringLiteral("shown"),
         numbers(slides, [](const Slide& slide) { return toMilliseconds(slide.shownSeconds); })},
        {QStringLiteral("blank"),
         numbers(slides, [](const Slide& slide) { return toMilliseconds(slide.blankSeconds); })},
        {QStringLiteral("visits"), visits},
        {QStringLiteral("skips"), skipped}};
    if (endMs)
        object.insert(QStringLiteral("end"), qint64(*endMs));
    return object;
}

std::optional<TalkRun> TalkRun::fromJson(const QJsonObject& object) {
    Json::Reader reader(object);
    TalkRun run;
    run.id = reader.requiredString(QStringLiteral("id"));
    run.name = reader.requiredString(QStringLiteral("name"));
    const QString kind = reader.requiredString(QStringLiteral("kind"));
    run.startMs = double(reader.requiredInteger(QStringLiteral("start")));
    if (const auto end = reader.optionalInteger(QStringLiteral("end")))
        run.endMs = double(*end);
    if (!reader.ok() || run.id.isEmpty() || run.name.size() > maximumNameLength)
        return std::nullopt;
    if (kind != kindName(Kind::talk) && kind != kindName(Kind::rehearsal))
        return std::nullopt;
    run.kind = kind == kindName(Kind::rehearsal) ? Kind::rehearsal : Kind::talk;
    if (run.endMs && *run.endMs < run.startMs)
        return std::nullopt;

    const auto shown = readSeconds(object.value(QStringLiteral("shown")), -1);
    if (!shown || shown->size() > maximumSlides)
        return std::nullopt;
    const auto blank = readSeconds(object.value(QStringLiteral("blank")), shown->size());
    const auto visits = readSeconds(object.value(QStringLiteral("visits")), shown->size());
    if (!blank || !visits)
        return std::nullopt;
    for (qsizetype i = 0; i < shown->size(); ++i) {
        const double visitCount = visits->at(i);
        if (std::trunc(visitCount) != visitCount || visitCount > std::numeric_limits<int>::max())
            return std::nullopt;
        run.slides.append({shown->at(i), blank->at(i), int(visitCount)});
    }

    const QJsonValue skips = object.value(QStringLiteral("skips"));
    if (!skips.isArray() || skips.toArray().size() > maximumSkips)
        return std::nullopt;
    for (const QJsonValue& item : skips.toArray()) {
        const auto skip = readSkip(item, run.slides.size());
        if (!skip)
            return std::nullopt;
        run.skips.append(*skip);
    }
    return run;
}

namespace TalkRuns {

QJsonArray summary(const QList<TalkRun>& runs) {
    QJsonArray array;
    for (const TalkRun& run : runs) {
        QJsonArray seconds;
        for (const double value : run.slideSeconds())
            seconds.append(toMilliseconds(value));
        QJsonObject entry{
            {QStringLiteral("id"), run.id},
            {QStringLiteral("name"), run.name},
            {QStringLiteral("kind"), TalkRun::kindName(run.kind)},
            {QStringLiteral("start"), QDateTime::fromMSecsSinceEpoch(qint64(run.startMs), Qt::UTC)
                                          .toString(Qt::ISODateWithMs)},
            {QStringLiteral("complete"), run.endMs.has_value()},
            {QStringLiteral("seconds"), seconds},
            {QStringLiteral("skips"), run.skips.size()}};
        array.append(entry);
    }
    return array;
}

} // namespace TalkRuns
