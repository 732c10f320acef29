// Opening the deck: the load in the background, the password, why a file did not open, reading
// it again when it changes on disk, and its notes with the sidecar file beside it.
#pragma once

#include "engine/PageEngine.h"
#include "notes/DeckNotes.h"

#include <QObject>
#include <QUrl>
#include <functional>

class Deck;
class Prompts;
class ReloadWatcher;
class SidecarWatcher;

class DeckController : public QObject {
    Q_OBJECT
public:
    struct Timing {
        int reloadSettleMs = 400;
        int sidecarSettleMs = 400;
    };

    DeckController(Deck& deck, Prompts& prompts, QObject* parent = nullptr);
    DeckController(Deck& deck, Prompts& prompts, Timing timing, QObject* parent = nullptr);
    ~DeckController() override;

    // Starts opening `url` and returns at once; a load still pending is dropped. Once the deck is
    // there, opened() is emitted; a locked file asks for its password and is tried again; a file
    // that does not open is reported (problem()) and the old deck stays. `done` hears the
    // outcome (never for a dropped load).
    void open(const QUrl& url, std::function<void(bool opened)> done = {});
    // Runs `then` once no deck is loading: at once when none is.
    void whenLoaded(std::function<void()> then);

    const DeckNotes& notes() const { return deckNotes; }
    // Which half of the pages holds notes: "none", "left", "right", "top", "bottom" or "auto"
    // (the guess from the pages' shape); kept for every deck.
    void chooseNotesSide(const QString& choice);
    static inline const QString notesSideKey = QStringLiteral("notesSide");

    // What the status line says of the deck: a file loading, a changed file that cannot be read,
    // a damaged file that was repaired, a sidecar that cannot be read; empty when all is well.
    QString notice() const;

    // Why a deck did not open, in words for the speaker.
    static QString openFailure(OpenStatus status, const QString& name);

signals:
    // Another deck is open, its notes read: the talk starts afresh on it.
    void opened();
    // The open deck was read again after a change on disk: the talk goes on where it was.
    void reloaded();
    // The sidecar file changed: notes, hidden pages or the talk's length may differ.
    void notesChanged();
    // What notice() says may have changed.
    void noticeChanged();
    // A file the speaker asked for did not open.
    void problem(const QString& message, const QString& informative);

private:
    void load(const QUrl& url, const QString& password, std::function<void(bool)> done);
    // `attempt` is the count of opens when this one began.
    void loaded(const QUrl& url, OpenStatus status, quint64 attempt,
                const std::function<void(bool)>& done);
    void loadEnded();
    void reload(std::function<void(bool)> finished);
    // Reads the sidecar and the PDF's metadata and applies the notes side; a sidecar that does
    // not parse is said once.
    void readNotes();
    void applyNotesSide();

    Deck& deck;
    Prompts& prompts;
    DeckNotes deckNotes;
    ReloadWatcher* reloadWatcher;
    SidecarWatcher* sidecarWatcher;
    // The file name of the deck whose changed file could not be read, while the old one shows.
    QString unreadableChange;
    // What standard error last said of the open deck's sidecar, so it is said once.
    QString saidProblem;
    // Called, in order, once no load is pending.
    QList<std::function<void()>> loadWaiters;
    // Counts the files asked to open, so that a password typed for one the speaker has since
    // given up for another is not used.
    quint64 opens = 0;
};
