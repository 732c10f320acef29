#include "drawing/DrawingsFile.h"

#include "base/L10n.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {

const QString formatName = QStringLiteral("talvane-orvello-drawings");
constexpr int version = 1;

bool isIndex(const QJsonValue& value, double highest) {
    const double number = value.toDouble(-1);
    return value.isDouble() && number >= 0 && number <= highest && std::floor(number) == number;
}

} // namespace

namespace DrawingsFile {

QString pathFor(const QString& deckPath) {
    const QFileInfo deck(deckPath);
    return deck.absolutePath() + QLatin1Char('/') + deck.completeBaseName() +
           QStringLiteral(".orvello-drawings.json");
}

QByteArray encode(const QList<Sheet>& sheets) {
    QJsonArray pages;
    for (const Sheet& sheet : sheets) {
        QJsonArray strokes;
        for (const Stroke& stroke : sheet.strokes)
            strokes.append(stroke.toJson());
        pages.append(QJsonObject{{QStringLiteral("page"), sheet.page},
                                 {QStringLiteral("label"), sheet.id.label},
                                 {QStringLiteral("fingerprint"), sheet.id.fingerprint},
                                 {QStringLiteral("occurrence"), sheet.occurrence},
                                 {QStringLiteral("board"), sheet.board},
                                 {QStringLiteral("strokes"), strokes}});
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("format"), formatName},
                                     {QStringLiteral("version"), version},
                                     {QStringLiteral("pages"), pages}})
        .toJson(QJsonDocument::Compact);
}

std::optional<QList<Sheet>> decode(const QByteArray& bytes, QString* error) {
    QJsonParseError parsing;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parsing);
    if (parsing.error != QJsonParseError::NoError) {
        const qsizetype line = bytes.left(parsing.offset).count('\n') + 1;
        *error = L10n::format("kein lesbares JSON (Zeile %d: %@)", {line, parsing.errorString()});
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    if (root.value(QStringLiteral("format")).toString() != formatName) {
        *error = L10n::lookup("keine Zeichnungsdatei von Talvane Orvello");
        return std::nullopt;
    }
    const QJsonValue written = root.value(QStringLiteral("version"));
    if (!isIndex(written, 1e9) || written.toInt() != version) {
        *error = L10n::format(
            "Version %@ wird von diesem Programm nicht gelesen",
            {written.isDouble() ? QString::number(written.toDouble()) : QStringLiteral("?")});
        return std::nullopt;
    }
    const QJsonValue pages = root.value(QStringLiteral("pages"));
    if (!pages.isArray()) {
        *error = L10n::lookup("die Seitenliste fehlt");
        return std::nullopt;
    }
    QList<Sheet> sheets;
    for (const QJsonValue& value : pages.toArray()) {
        const QJsonObject page = value.toObject();
        const auto failPage = [&](const QString& reason) {
            *error = L10n::format("Eintrag %d: %@", {sheets.size() + 1, reason});
            return std::nullopt;
        };
        Sheet sheet;
        const QJsonValue index = page.value(QStringLiteral("page"));
        const QJsonValue occurrence = page.value(QStringLiteral("occurrence"));
        const QJsonValue board = page.value(QStringLiteral("board"));
        const QJsonValue label = page.value(QStringLiteral("label"));
        const QJsonValue fingerprint = page.value(QStringLiteral("fingerprint"));
        if (!isIndex(index, 1e12) || !isIndex(occurrence, 1e9) || !isIndex(board, 1e6) ||
            !label.isString() || !fingerprint.isString() ||
            !page.value(QStringLiteral("strokes")).isArray())
            return failPage(L10n::lookup("Seite, Kennung oder Striche fehlen"));
        sheet.page = qint64(index.toDouble());
        sheet.occurrence = occurrence.toInt();
        sheet.board = board.toInt();
        sheet.id = {label.toString(), fingerprint.toString()};
        for (const QJsonValue& stroke : page.value(QStringLiteral("strokes")).toArray()) {
            QString reason;
            const std::optional<Stroke> read = Stroke::fromJson(stroke, &reason);
            if (!read)
                return failPage(reason);
            sheet.strokes.append(*read);
        }
        sheets.append(sheet);
    }
    return sheets;
}

} // namespace DrawingsFile
