#include "notes/DeckNotes.h"

#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

void DeckNotes::load(const QString& pdfPath, const QStringList& pageLabels) {
    reading = Sidecar::read(pdfPath);
    labels.clear();
    overlays.clear();
    for (qsizetype page = 0; page < pageLabels.size(); ++page) {
        const QString& own = pageLabels.at(page);
        labels.append(own.isEmpty() ? QString::number(page + 1) : own);
        const bool continues = page > 0 && labels.at(page - 1) == labels.at(page);
        overlays.append(continues ? overlays.at(page - 1) + 1 : 0);
    }
    hiddenUpTo = {0};
    for (qsizetype page = 0; page < labels.size(); ++page) {
        const Sidecar::Page* entry = sidecarPage(page);
        hiddenUpTo.append(hiddenUpTo.last() + (entry && entry->hidden ? 1 : 0));
    }
}

const Sidecar::Page* DeckNotes::sidecarPage(qint64 page) const {
    if (reading.status != Sidecar::Reading::ok || page < 0 || page >= labels.size())
        return nullptr;
    return reading.file.pageFor(page, labels.at(page), overlays.at(page));
}

QList<DeckNotes::Note> DeckNotes::notesFor(qint64 page, const QStringList& annotations) const {
    QList<Note> notes;
    if (const Sidecar::Page* entry = sidecarPage(page); entry && !entry->note.trimmed().isEmpty())
        notes.append({Source::sidecar, entry->note, !reading.file.disableMarkdown});
    for (const QString& text : annotations) {
        if (!text.trimmed().isEmpty())
            notes.append({Source::annotations, text, false});
    }
    return notes;
}

bool DeckNotes::isHidden(qint64 page) const {
    return page >= 0 && page < labels.size() && hiddenBefore(page + 1) > hiddenBefore(page);
}

qint64 DeckNotes::hiddenBefore(qint64 page) const {
    return hiddenUpTo.value(std::clamp<qint64>(page, 0, hiddenUpTo.size() - 1), 0);
}

qint64 DeckNotes::step(qint64 index, int direction) const {
    for (qint64 page = index + direction; page >= 0 && page < labels.size(); page += direction) {
        if (!isHidden(page))
            return page;
    }
    return index;
}

QString DeckNotes::sourceName(Source source) {
    return source == Source::sidecar ? QStringLiteral("sidecar") : QStringLiteral("annotations");
}

void DeckNotes::render(QTextDocument& document, const QList<Note>& notes) {
    document.clear();
    QTextCursor cursor(&document);
    for (qsizetype i = 0; i < notes.size(); ++i) {
        // An empty paragraph between two notes.
        if (i > 0) {
            cursor.insertBlock();
            cursor.insertBlock();
        }
        if (notes.at(i).markdown)
            cursor.insertMarkdown(notes.at(i).text, QTextDocument::MarkdownFeatures(
                                                        QTextDocument::MarkdownDialectGitHub |
                                                        QTextDocument::MarkdownNoHTML));
        else
            cursor.insertText(notes.at(i).text.trimmed());
        cursor.movePosition(QTextCursor::End);
    }
}

QString DeckNotes::plainText(const QList<Note>& notes) {
    QTextDocument document;
    render(document, notes);
    return document.toPlainText().trimmed();
}
