#include "notes/Sidecar.h"

#include "net/Json.h"
#include "notes/LegacySidecar.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringDecoder>

#include <cmath>

namespace {

constexpr qsizetype maximumPages = 100000;

std::optional<double> boundedNumber(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    return Sidecar::minutes(value.toDouble());
}

std::optional<QTime> timeOf(const QJsonValue& value) {
    if (!value.isString())
        return std::nullopt;
    return Sidecar::clockTime(value.toString());
}

Sidecar::Page pageOf(const QJsonObject& object) {
    Sidecar::Page page;
    if (const std::optional<qint64> idx = Json::integralValue(object.value("idx"));
        idx && *idx >= 0)
        page.idx = *idx;
    if (const QJsonValue label = object.value("label"); label.isString())
        page.label = Json::capped(label.toString(), 200);
    if (const std::optional<qint64> overlay = Json::integralValue(object.value("overlay"));
        overlay && *overlay >= 0)
        page.overlay = *overlay;
    page.forcedOverlay = object.value("forcedOverlay").toBool();
    page.hidden = object.value("hidden").toBool();
    page.note = Json::capped(object.value("note").toString(), Sidecar::maximumNoteChars);
    return page;
}

Sidecar::File fromJson(const QJsonObject& top) {
    Sidecar::File file;
    if (const std::optional<qint64> format = Json::integralValue(top.value("pdfpcFormat"));
        format && *format >= 1)
        file.format = int(std::min<qint64>(*format, 1000));
    file.durationMinutes = boundedNumber(top.value("duration"));
    file.startTime = timeOf(top.value("startTime"));
    file.endTime = timeOf(top.value("endTime"));
    file.lastMinutes = boundedNumber(top.value("lastMinutes")).value_or(5);
    if (const std::optional<qint64> end = Json::integralValue(top.value("endSlide"));
        end && *end >= 0)
        file.endSlide = end;
    if (const std::optional<double> size = boundedNumber(top.value("noteFontSize"));
        size && *size > 0)
        file.noteFontSize = std::min(*size, 200.0);
    file.beamerNotePosition =
        Json::capped(top.value("beamerNotePosition").toString(), 20).trimmed().toLower();
    file.disableMarkdown = top.value("disableMarkdown").toBool();
    file.defaultTransition = Json::capped(top.value("defaultTransition").toString(), 100).trimmed();
    const QJsonArray pages = top.value("pages").toArray();
    for (const QJsonValue& entry : pages) {
        if (file.pages.size() >= maximumPages)
            break;
        if (entry.isObject())
            file.pages.append(pageOf(entry.toObject()));
    }
    return file;
}

int lineAt(const QByteArray& bytes, qsizetype offset) {
    return int(bytes.left(offset).count('\n')) + 1;
}

// Files of the older generation predate any agreement on encodings: not UTF-8, they are Latin-1.
QString decoded(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

} // namespace

namespace Sidecar {

QString pathFor(const QString& pdfPath) {
    const QFileInfo pdf(pdfPath);
    return pdf.dir().filePath(pdf.completeBaseName() + QStringLiteral(".pdfpc"));
}

Reading parse(const QByteArray& raw) {
    const QByteArray bytes = raw.startsWith("\xef\xbb\xbf") ? raw.mid(3) : raw;
    Reading reading;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error == QJsonParseError::NoError && document.isObject()) {
        reading.status = Reading::ok;
        reading.file = fromJson(document.object());
        return reading;
    }
    // An object that does not parse is a JSON file cut short or mistyped, not the older text.
    if (bytes.trimmed().startsWith('{')) {
        reading.status = Reading::unreadable;
        reading.line = lineAt(bytes, error.offset);
        return reading;
    }
    return LegacySidecar::parse(decoded(bytes));
}

Reading read(const QString& pdfPath) {
    Reading reading;
    QFile source(pathFor(pdfPath));
    if (!source.exists())
        return reading;
    reading.status = Reading::unreadable;
    if (source.size() > maximumBytes || !source.open(QIODevice::ReadOnly))
        return reading;
    const QByteArray bytes = source.read(maximumBytes + 1);
    // A file that grew past the limit while it was read is not read at all.
    if (bytes.size() > maximumBytes)
        return reading;
    return parse(bytes);
}

std::optional<qint64> leadingNumber(QStringView text) {
    qsizetype at = 0;
    while (at < text.size() && text.at(at).isSpace())
        ++at;
    bool negative = false;
    if (at < text.size() && (text.at(at) == u'-' || text.at(at) == u'+'))
        negative = text.at(at++) == u'-';
    const qsizetype first = at;
    qint64 number = 0;
    // Fifteen digits count every page and minute there is, and never overflow.
    while (at < text.size() && at - first < 15 && text.at(at) >= u'0' && text.at(at) <= u'9')
        number = number * 10 + (text.at(at++).unicode() - u'0');
    if (at == first)
        return std::nullopt;
    return negative ? -number : number;
}

std::optional<QTime> clockTime(const QString& text) {
    const QString trimmed = text.trimmed();
    for (const QString& format : {QStringLiteral("H:mm"), QStringLiteral("H:mm:ss")}) {
        const QTime time = QTime::fromString(trimmed, format);
        if (time.isValid())
            return time;
    }
    // Some writers store a whole date and time; the talk ends at its time of day.
    const QDateTime moment = QDateTime::fromString(trimmed, Qt::ISODate);
    if (moment.isValid())
        return moment.time();
    // The .pdfpc tools read "%d:%d" and ignore what follows: "9" is 09:00, "9:5 Uhr" 09:05.
    static const QRegularExpression hourAndMinute(
        QStringLiteral("^(\\d{1,2})(?::(\\d{1,2}))?(?:\\D|$)"));
    const QRegularExpressionMatch match = hourAndMinute.match(trimmed);
    if (!match.hasMatch())
        return std::nullopt;
    const QTime time(match.captured(1).toInt(), match.captured(2).toInt());
    return time.isValid() ? std::optional<QTime>(time) : std::nullopt;
}

std::optional<double> minutes(double value) {
    if (!std::isfinite(value) || value < 0 || value > maximumMinutes)
        return std::nullopt;
    return value;
}

} // namespace Sidecar
