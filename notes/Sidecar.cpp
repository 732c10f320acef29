#include "notes/Sidecar.h"

#include "net/Json.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include <cmath>

namespace {

// Enough for any talk; a bigger value is a broken file and must not lay out megabytes.
constexpr qsizetype maximumNoteChars = 100000;
constexpr qsizetype maximumPages = 100000;
constexpr double maximumMinutes = 100 * 60;

QString labelKey(const QString& label, qint64 overlay) {
    return label + QLatin1Char('\x1f') + QString::number(overlay);
}

std::optional<double> boundedNumber(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (!std::isfinite(number) || number < 0 || number > maximumMinutes)
        return std::nullopt;
    return number;
}

std::optional<QTime> clockTime(const QJsonValue& value) {
    const QString text = value.toString().trimmed();
    for (const QString& format : {QStringLiteral("H:mm"), QStringLiteral("H:mm:ss")}) {
        const QTime time = QTime::fromString(text, format);
        if (time.isValid())
            return time;
    }
    // Some writers store a whole date and time; the talk ends at its time of day.
    const QDateTime moment = QDateTime::fromString(text, Qt::ISODate);
    if (moment.isValid())
        return moment.time();
    return std::nullopt;
}

// Labels are text, but some writers store the page number as a number.
std::optional<QString> labelOf(const QJsonValue& value) {
    if (value.isString())
        return Json::capped(value.toString(), 200);
    if (const std::optional<qint64> number = Json::integralValue(value))
        return QString::number(*number);
    return std::nullopt;
}

Sidecar::Page pageOf(const QJsonObject& object, int format) {
    Sidecar::Page page;
    if (const std::optional<qint64> idx = Json::integralValue(object.value("idx"));
        idx && *idx >= 0)
        page.idx = *idx;
    page.label = labelOf(object.value("label"));
    if (const std::optional<qint64> overlay = Json::integralValue(object.value("overlay"));
        overlay && *overlay >= 0)
        page.overlay = overlay;
    page.note = Json::capped(object.value("note").toString(), maximumNoteChars);
    page.hidden = format >= 2 && object.value("hidden").toBool();
    return page;
}

} // namespace

namespace Sidecar {

const Page* File::pageFor(qint64 index, const QString& label, qint64 overlay) const {
    const auto found = byIndex.constFind(index);
    const Page* const atIndex = found == byIndex.cend() ? nullptr : &pages.at(*found);
    if (atIndex && (!atIndex->label || *atIndex->label == label) &&
        (!atIndex->overlay || *atIndex->overlay == overlay))
        return atIndex;
    const auto labelled = byLabel.constFind(labelKey(label, overlay));
    if (labelled != byLabel.cend())
        return &pages.at(*labelled);
    return atIndex;
}

QString pathFor(const QString& pdfPath) {
    const QFileInfo pdf(pdfPath);
    return pdf.dir().filePath(pdf.completeBaseName() + QStringLiteral(".pdfpc"));
}

std::optional<File> parse(const QByteArray& bytes) {
    const std::optional<QJsonObject> top = Json::parseObject(bytes);
    if (!top)
        return std::nullopt;
    File file;
    if (const std::optional<qint64> format = Json::integralValue(top->value("pdfpcFormat"));
        format && *format >= 1)
        file.format = int(std::min<qint64>(*format, 1000));
    file.durationMinutes = boundedNumber(top->value("duration"));
    file.endTime = clockTime(top->value("endTime"));
    file.lastMinutes = boundedNumber(top->value("lastMinutes")).value_or(5);
    file.endSlide = Json::integralValue(top->value("endSlide"));
    if (const std::optional<double> size = boundedNumber(top->value("noteFontSize"));
        size && *size > 0)
        file.noteFontSize = std::min(*size, 200.0);
    file.beamerNotePosition = Json::capped(top->value("beamerNotePosition").toString(), 20);
    file.disableMarkdown = top->value("disableMarkdown").toBool();
    const QJsonArray pages = top->value("pages").toArray();
    for (const QJsonValue& entry : pages) {
        if (file.pages.size() >= maximumPages)
            break;
        if (!entry.isObject())
            continue;
        const Page page = pageOf(entry.toObject(), file.format);
        const qsizetype position = file.pages.size();
        file.pages.append(page);
        if (page.idx >= 0 && !file.byIndex.contains(page.idx))
            file.byIndex.insert(page.idx, position);
        if (page.label) {
            const QString key = labelKey(*page.label, page.overlay.value_or(0));
            if (!file.byLabel.contains(key))
                file.byLabel.insert(key, position);
        }
    }
    return file;
}

Reading read(const QString& pdfPath) {
    Reading reading;
    QFile source(pathFor(pdfPath));
    if (!source.exists())
        return reading;
    reading.status = Reading::unreadable;
    if (source.size() > maximumBytes || !source.open(QIODevice::ReadOnly))
        return reading;
    // A file that grows while it is read is cut at the limit, and then fails to parse.
    const std::optional<File> parsed = parse(source.read(maximumBytes + 1));
    if (!parsed)
        return reading;
    reading.status = Reading::ok;
    reading.file = *parsed;
    return reading;
}

} // namespace Sidecar
