#include "notes/DeckNotes.h"

#include "base/L10n.h"
#include "notes/PdfMetadata.h"

#include <QFileInfo>
#include <QHash>
#include <QTextCursor>
#include <QTextDocument>

void DeckNotes::load(const QString& pdfPath, const QStringList& pageLabels,
                     const QByteArray& metadata) {
    const Sidecar::Reading reading = Sidecar::read(pdfPath);
    status = reading.status;
    problemLine = reading.line;
    sidecarName = QFileInfo(Sidecar::pathFor(pdfPath)).fileName();
    // A sidecar caught half-written, or broken by an edit mid-talk, keeps the notes and the
    // talk's length it gave last, until it reads again.
    keptEarlier = status == Sidecar::Reading::unreadable && lastGood && lastGood->first == pdfPath;
    if (status == Sidecar::Reading::ok)
        lastGood.emplace(pdfPath, reading.file);
    else if (!keptEarlier)
        lastGood.reset();
    settings = status == Sidecar::Reading::ok ? reading.file
               : keptEarlier                  ? lastGood->second
                                              : Sidecar::File();
    PdfMetadata::apply(metadata, settings);
    labels = SlideStructure::countedLabels(pageLabels);
    placeEntries();
    arrange();
}

void DeckNotes::setNotesPages(bool split) {
    if (split == notesPages)
        return;
    notesPages = split;
    arrange();
}

QString DeckNotes::sidecarProblem() const {
    if (status != Sidecar::Reading::unreadable)
        return {};
    if (keptEarlier && problemLine > 0)
        return L10n::format(
            "Notizdatei %@ nicht lesbar (Zeile %d) – die bisherigen Notizen bleiben",
            {sidecarName, problemLine});
    if (keptEarlier)
        return L10n::format("Notizdatei %@ nicht lesbar – die bisherigen Notizen bleiben",
                            {sidecarName});
    if (problemLine > 0)
        return L10n::format("Notizdatei %@ nicht lesbar (Zeile %d) – ohne Notizen",
                            {sidecarName, problemLine});
    return L10n::format("Notizdatei %@ nicht lesbar – ohne Notizen", {sidecarName});
}

// An entry goes to its index where the page there still has its label and overlay; else, the deck
// having changed since, to the page as far into the first run of its label as its overlay says,
// while that page still carries the label; else to its index. An entry without a label goes to
// its index.
void DeckNotes::placeEntries() {
    const qint64 pages = labels.size();
    // Overlays as the writers count them: places in runs of one label.
    const SlideStructure written({labels, true, {}, {}, {}});
    QHash<QString, qint64> firstWithLabel;
    for (qint64 page = pages - 1; page >= 0; --page)
        firstWithLabel.insert(labels.at(page), page);
    entryNotes = QStringList(pages);
    hiddenPages.clear();
    forcedOverlays.clear();
    for (const Sidecar::Page& entry : settings.pages) {
        qint64 page = entry.idx;
        const bool inPlace = page >= 0 && page < pages && labels.at(page) == entry.label &&
                             written.stepOf(page) == entry.overlay;
        if (!entry.label.isEmpty() && !inPlace) {
            const qint64 first = firstWithLabel.value(entry.label, -1);
            if (first >= 0 && entry.overlay < pages - first &&
                labels.at(first + entry.overlay) == entry.label)
                page = first + entry.overlay;
        }
        if (page < 0 || page >= pages)
            continue;
        if (entry.hidden)
            hiddenPages.insert(page);
        else
            hiddenPages.remove(page);
        if (entry.forcedOverlay)
            forcedOverlays.insert(page);
        if (!entry.note.isEmpty())
            entryNotes[page] = entry.note;
    }
}

void DeckNotes::arrange() {
    SlideStructure::Layout layout;
    layout.labels = labels;
    layout.continuing = forcedOverlays;
    for (const qint64 page : settings.skippedPages.value_or(QList<qint64>()))
        layout.continuing.insert(page);
    // beamer labels its notes pages wrongly; a [skip] list groups the deck by hand.
    const QString& side = settings.beamerNotePosition;
    const bool notesPosition = !side.isEmpty() && side != QLatin1String("none");
    layout.byLabels = !notesPosition && !notesPages && !settings.skippedPages;
    layout.hiddenPages = hiddenPages;
    layout.endSlide = settings.endSlide;
    structure = SlideStructure(layout);

    pageNotes = entryNotes;
    // The older format numbers its notes by slide, every step sharing the note. Its writers
    // counted the slides a [skip] list makes; a note numbered beyond those slides but within
    // the pages shows that the file counts pages.
    const qint64 pages = labels.size();
    const qint64 highest = settings.slideNotes.isEmpty() ? 0 : settings.slideNotes.lastKey();
    const bool byPage = highest > structure.slideCount() && highest <= pages;
    for (auto note = settings.slideNotes.cbegin(); note != settings.slideNotes.cend(); ++note) {
        const qint64 number = note.key();
        if (byPage) {
            pageNotes[number - 1] = note.value();
        } else if (number <= structure.slideCount()) {
            for (qint64 page = structure.firstPage(number - 1);
                 page <= structure.lastPage(number - 1); ++page)
                pageNotes[page] = note.value();
        }
    }
}

QList<DeckNotes::Note> DeckNotes::notesFor(qint64 page, const QStringList& annotations) const {
    QList<Note> notes;
    if (const QString written = pageNotes.value(page); !written.trimmed().isEmpty())
        notes.append({Source::sidecar, written, !settings.legacy && !settings.disableMarkdown});
    for (const QString& text : annotations) {
        if (!text.trimmed().isEmpty())
            notes.append({Source::annotations, text, false});
    }
    return notes;
}

bool DeckNotes::isHidden(qint64 page) const {
    return hiddenPages.contains(page);
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
