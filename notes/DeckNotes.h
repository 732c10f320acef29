// Every note of the open deck, from the sidecar file and the PDF's own note annotations, and the
// pages the talk steps over.
#pragma once

#include "notes/Sidecar.h"

#include <QList>
#include <QString>
#include <QStringList>

class QTextDocument;

class DeckNotes {
public:
    enum class Source { sidecar, annotations };
    struct Note {
        Source source;
        QString text;
        bool markdown;
    };

    // Reads the sidecar beside `pdfPath`; `pageLabels` are the deck's, empty where it has none.
    void load(const QString& pdfPath, const QStringList& pageLabels);

    Sidecar::Reading::Status sidecarStatus() const { return reading.status; }
    // Meaningful while the status is ok; defaults otherwise.
    const Sidecar::File& sidecar() const { return reading.file; }

    // The page's notes, the sidecar's first; `annotations` are the page's note annotations.
    QList<Note> notesFor(qint64 page, const QStringList& annotations) const;
    bool isHidden(qint64 page) const;
    // How many pages before `page` are hidden, and how many in all: counted once per load, so
    // the timer's tick can weigh the pace without looking at every page.
    qint64 hiddenBefore(qint64 page) const;
    qint64 hiddenCount() const { return hiddenBefore(labels.size()); }
    // The page one step (`direction` +1 or -1) from `index` that is not hidden; `index` itself
    // when there is none that way.
    qint64 step(qint64 index, int direction) const;

    // As the automation state names it.
    static QString sourceName(Source source);
    // Fills `document` with the notes, one after another, Markdown ones rendered (raw HTML in
    // them stays text).
    static void render(QTextDocument& document, const QList<Note>& notes);
    // The rendered notes as plain text.
    static QString plainText(const QList<Note>& notes);

private:
    const Sidecar::Page* sidecarPage(qint64 page) const;

    Sidecar::Reading reading;
    // Page labels as the sidecar writers count them (the page number where the PDF has none),
    // and each page's place among the consecutive pages that share its label.
    QStringList labels;
    QList<qint64> overlays;
    // hiddenUpTo[i]: the hidden pages among the first i.
    QList<qint64> hiddenUpTo{0};
};
