#include "notes/LegacySidecar.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace {

// Every section a writer of this format has used. A bracketed word that names none stays text
// of the section it stands in: a note that says "see [Smith]" is not cut off there.
const QStringList sectionNames{"duration",     "end_time",       "start_time",
                               "last_minutes", "end_user_slide", "last_saved_slide",
                               "font_size",    "notes_position", "skip",
                               "notes",        "file",           "notes_include"};

// The writers escape brackets and hashes in notes.
QString unescaped(QString text) {
    text.replace(QLatin1String("\\["), QLatin1String("["));
    text.replace(QLatin1String("\\]"), QLatin1String("]"));
    text.replace(QLatin1String("\\#"), QLatin1String("#"));
    return text;
}

// The section's content split at "### " wherever it stands (writers left out the newline before
// it), each block's header line giving its slide number from 1. A block whose header is no
// number is a heading inside the note before it, and stays there.
QMap<qint64, QString> notesOf(const QString& content) {
    QMap<qint64, QString> notes;
    std::optional<qint64> previous;
    const QStringList pieces = content.split(QStringLiteral("### "));
    // What stands before the first header belongs to no slide.
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        const QString& piece = pieces.at(i);
        const qsizetype newline = piece.indexOf(QLatin1Char('\n'));
        const QString header = newline < 0 ? piece : piece.left(newline);
        const std::optional<qint64> number = Sidecar::leadingNumber(header);
        if (number && *number >= 1) {
            const QString body = newline < 0 ? QString() : piece.mid(newline + 1);
            // A header with nothing under it takes no note away.
            if (!body.trimmed().isEmpty() || !notes.contains(*number))
                notes.insert(*number, unescaped(body).left(Sidecar::maximumNoteChars));
            previous = number;
        } else if (previous && notes.value(*previous).size() < Sidecar::maximumNoteChars) {
            QString& note = notes[*previous];
            note += QStringLiteral("### ") + unescaped(piece);
            note.truncate(Sidecar::maximumNoteChars);
        }
    }
    return notes;
}

// "[skip]": pages numbered from 1, each followed by a comma; the field after the last comma is
// not one.
QList<qint64> skippedOf(const QString& content) {
    QList<qint64> pages;
    QStringList fields = content.split(QLatin1Char(','));
    fields.removeLast();
    for (const QString& field : fields) {
        const std::optional<qint64> page = Sidecar::leadingNumber(field);
        if (page && *page >= 1 && pages.size() < 100000)
            pages.append(*page - 1);
    }
    return pages;
}

int firstLineWithText(const QString& text) {
    const qsizetype at =
        std::find_if(text.cbegin(), text.cend(), [](QChar c) { return !c.isSpace(); }) -
        text.cbegin();
    return int(text.left(at).count(QLatin1Char('\n'))) + 1;
}

void apply(Sidecar::File& file, const QString& name, const QString& content) {
    const std::optional<qint64> number = Sidecar::leadingNumber(content);
    const auto minutes = [&number] {
        return number ? Sidecar::minutes(double(*number)) : std::nullopt;
    };
    if (name == QLatin1String("duration")) {
        if (const std::optional<double> length = minutes(); length && *length > 0)
            file.durationMinutes = length;
    } else if (name == QLatin1String("start_time")) {
        file.startTime = Sidecar::clockTime(content);
    } else if (name == QLatin1String("end_time")) {
        file.endTime = Sidecar::clockTime(content);
    } else if (name == QLatin1String("last_minutes")) {
        file.lastMinutes = minutes().value_or(file.lastMinutes);
    } else if (name == QLatin1String("end_user_slide")) {
        // Every writer of this format stored the slide counted from 1.
        if (number && *number >= 1)
            file.endSlide = *number - 1;
    } else if (name == QLatin1String("font_size")) {
        // Older writers stored Pango units, 1024 to the point.
        const qint64 points = number && *number >= 1000 ? *number / 1024 : number.value_or(0);
        if (points > 0)
            file.noteFontSize = std::min<double>(double(points), 200);
    } else if (name == QLatin1String("notes_position")) {
        const QString side = content.trimmed().toLower();
        if (QStringList{"left", "right", "top", "bottom"}.contains(side))
            file.beamerNotePosition = side;
    } else if (name == QLatin1String("skip")) {
        file.skippedPages = skippedOf(content);
    } else if (name == QLatin1String("notes")) {
        file.slideNotes = notesOf(content);
    }
}

} // namespace

namespace LegacySidecar {

Sidecar::Reading parse(const QString& text) {
    static const QRegularExpression header(QStringLiteral("\\[([A-Za-z_]+)\\]"));
    Sidecar::Reading reading;
    // Each section's name and where its content starts; a repeated section's last content wins.
    QList<std::pair<QString, qsizetype>> found;
    QList<qsizetype> starts;
    for (const QRegularExpressionMatch& match : header.globalMatch(text)) {
        if (!sectionNames.contains(match.captured(1)))
            continue;
        found.append({match.captured(1), match.capturedEnd()});
        starts.append(match.capturedStart());
    }
    if (found.isEmpty()) {
        reading.status = Sidecar::Reading::unreadable;
        reading.line = firstLineWithText(text);
        return reading;
    }
    starts.append(text.size());
    QHash<QString, QString> sections;
    for (qsizetype i = 0; i < found.size(); ++i) {
        const auto& [name, from] = found.at(i);
        sections.insert(name, text.mid(from, starts.at(i + 1) - from).trimmed());
    }
    reading.status = Sidecar::Reading::ok;
    reading.file.legacy = true;
    for (auto section = sections.cbegin(); section != sections.cend(); ++section)
        apply(reading.file, section.key(), section.value());
    return reading;
}

} // namespace LegacySidecar
