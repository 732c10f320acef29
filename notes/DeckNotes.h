// Every note of the open deck, from the sidecar file, the PDF's metadata and its own note
// annotations; the deck's slides as its author made them, and the pages the talk steps over.
#pragma once

#include "notes/Sidecar.h"
#include "notes/SlideStructure.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

class QTextDocument;

class DeckNotes {
public:
    enum class Source { sidecar, annotations };
    struct Note {
        Source source;
        QString text;
        bool markdown;
    };

    // Reads the sidecar beside `pdfPath`; `pageLabels` are the deck's, empty where it has none;
    // `metadata` is its XMP packet, whose pdfpc entries count after the sidecar's. A sidecar of
    // the same deck that no longer parses leaves the entries it gave last.
    void load(const QString& pdfPath, const QStringList& pageLabels,
              const QByteArray& metadata = {});
    // Whether every page is a slide beside its notes (beamer's notes pages), whose labels are no
    // guide to the slides.
    void setNotesPages(bool split);

    Sidecar::Reading::Status sidecarStatus() const { return status; }
    // What the status line says of a sidecar that cannot be read: its name and, where known,
    // the line where it stops making sense. Empty otherwise.
    QString sidecarProblem() const;
    // The sidecar's settings with the PDF metadata's laid over them; defaults where neither has
    // any.
    const Sidecar::File& sidecar() const { return settings; }
    const SlideStructure& slides() const { return structure; }

    // The page's notes, the sidecar's first; `annotations` are the page's note annotations.
    QList<Note> notesFor(qint64 page, const QStringList& annotations) const;
    bool isHidden(qint64 page) const;
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
    void placeEntries();
    void arrange();

    Sidecar::Reading::Status status = Sidecar::Reading::absent;
    int problemLine = 0;
    // The deck's path and what its sidecar said when it last parsed.
    std::optional<std::pair<QString, Sidecar::File>> lastGood;
    bool keptEarlier = false;
    QString sidecarName;
    Sidecar::File settings;
    // Page labels as the sidecar writers count them.
    QStringList labels;
    bool notesPages = false;
    // What the sidecar's page entries say of each page, where they land in the deck as it is.
    QStringList entryNotes;
    QSet<qint64> hiddenPages;
    QSet<qint64> forcedOverlays;
    // Each page's sidecar note, the older format's slide notes given to every step.
    QStringList pageNotes;
    SlideStructure structure;
};
