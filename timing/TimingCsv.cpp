#include "timing/TimingCsv.h"

#include "base/L10n.h"

#include <QStringList>

namespace {

QString field(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString seconds(double value) {
    return QString::number(value, 'f', 1);
}

template <typename Number> QString optionalSeconds(const std::optional<Number>& value) {
    return value ? seconds(double(*value)) : QString();
}

QString yesNo(bool value) {
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

namespace TimingCsv {

QByteArray write(const TimingTable& table) {
    QStringList lines;
    QStringList header{L10n::lookup("Folie"),
                       L10n::lookup("Dieser Lauf (s)"),
                       L10n::lookup("davon schwarz (s)"),
                       L10n::lookup("Plan (s)"),
                       L10n::lookup("Mittel früherer Läufe (s)"),
                       L10n::lookup("Überzogen"),
                       L10n::lookup("Behalten")};
    for (QString& name : header)
        name = field(name);
    lines.append(header.join(QLatin1Char(',')));
    double blankTotal = 0;
    for (qsizetype slide = 0; slide < table.rows.size(); ++slide) {
        const TimingTable::Row& row = table.rows.at(slide);
        blankTotal += row.blankSeconds;
        lines.append(QStringList{QString::number(slide + 1), seconds(row.seconds),
                                 seconds(row.blankSeconds), optionalSeconds(row.plannedSeconds),
                                 optionalSeconds(row.averageSeconds), yesNo(row.over),
                                 yesNo(row.kept)}
                         .join(QLatin1Char(',')));
    }
    lines.append(QStringList{field(L10n::lookup("Gesamt")), seconds(table.totalSeconds),
                             seconds(blankTotal), optionalSeconds(table.plannedTotal),
                             optionalSeconds(table.averageTotal),
                             QString::number(table.overCount()), QString()}
                     .join(QLatin1Char(',')));
    return (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
}

} // namespace TimingCsv
