#include "pacing/PaceTarget.h"

#include <QRegularExpression>
#include <QStringList>

std::optional<int> PaceTarget::parseLength(const QString& text) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,5}$"));
    const QString trimmed = text.trimmed();
    if (!digits.match(trimmed).hasMatch())
        return std::nullopt;
    const int minutes = trimmed.toInt();
    if (minutes < 1 || minutes > longestMinutes)
        return std::nullopt;
    return minutes;
}

std::optional<QTime> PaceTarget::parseEndTime(const QString& text) {
    static const QRegularExpression clock(QStringLiteral("^([0-9]{1,2}):([0-9]{2})$"));
    const QRegularExpressionMatch match = clock.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const QTime time(match.captured(1).toInt(), match.captured(2).toInt());
    if (!time.isValid())
        return std::nullopt;
    return time;
}

QString PaceTarget::toText() const {
    QString plan;
    if (lengthMinutes)
        plan = QString::number(*lengthMinutes);
    else if (endTime && startTime)
        plan = startTime->toString(QStringLiteral("HH:mm")) + QLatin1Char('-') +
               endTime->toString(QStringLiteral("HH:mm"));
    else if (endTime)
        plan = endTime->toString(QStringLiteral("HH:mm"));
    else
        return QString();
    return plan + QLatin1Char(';') + QString::number(lastMinutes);
}

PaceTarget PaceTarget::fromText(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(';'));
    if (parts.size() != 2)
        return {};
    bool ok = false;
    const int last = parts.at(1).toInt(&ok);
    if (!ok || last < 0 || last > longestMinutes)
        return {};
    PaceTarget target;
    target.lastMinutes = last;
    const QStringList times = parts.at(0).split(QLatin1Char('-'));
    if (times.size() == 2) {
        target.startTime = parseEndTime(times.at(0));
        target.endTime = parseEndTime(times.at(1));
        if (!target.startTime || !target.endTime)
            return {};
    } else if (parts.at(0).contains(QLatin1Char(':'))) {
        target.endTime = parseEndTime(parts.at(0));
    } else {
        target.lengthMinutes = parseLength(parts.at(0));
    }
    return target.isSet() ? target : PaceTarget{};
}
