#include "app/DeckController.h"

#include "app/ReloadWatcher.h"
#include "base/L10n.h"
#include "base/Preferences.h"
#include "base/RecentFiles.h"
#include "document/Deck.h"
#include "notes/SidecarWatcher.h"
#include "ui/dialogs/Prompts.h"

#include <QFileInfo>
#include <cstdio>

DeckController::DeckController(Deck& deck, Prompts& prompts, QObject* parent)
    : DeckController(deck, prompts, Timing{}, parent) {}

DeckController::DeckController(Deck& deck, Prompts& prompts, Timing timing, QObject* parent)
    : QObject(parent), deck(deck), prompts(prompts) {
    sidecarWatcher = new SidecarWatcher(
        [this] {
            readNotes();
            emit notesChanged();
        },
        timing.sidecarSettleMs, this);
    ReloadWatcher::Timing reloadTiming;
    reloadTiming.settleMs = timing.reloadSettleMs;
    reloadWatcher = new ReloadWatcher([this](auto finished) { reload(std::move(finished)); },
                                      [this] {
                                          // Never an alert: the talk goes on with the old deck, and
                                          // the status line says so.
                                          unreadableChange =
                                              QFileInfo(this->deck.url().toLocalFile()).fileName();
                                          emit noticeChanged();
                                      },
                                      reloadTiming, this);
}

DeckController::~DeckController() = default;

void DeckController::open(const QUrl& url, std::function<void(bool)> done) {
    ++opens;
    load(url, QString(), std::move(done));
}

void DeckController::load(const QUrl& url, const QString& password,
                          std::function<void(bool)> done) {
    deck.load(
        url,
        [this, url, attempt = opens, done = std::move(done)](OpenStatus status) {
            loaded(url, status, attempt, done);
        },
        password);
    // The status line says what is loading.
    emit noticeChanged();
}

void DeckController::whenLoaded(std::function<void()> then) {
    loadWaiters.append(std::move(then));
    loadEnded();
}

void DeckController::loadEnded() {
    // A waiter may start the next load; the rest wait for that one too.
    while (deck.loading().isEmpty() && !loadWaiters.isEmpty())
        loadWaiters.takeFirst()();
}

void DeckController::loaded(const QUrl& url, OpenStatus status, quint64 attempt,
                            const std::function<void(bool)>& done) {
    const QString name = QFileInfo(url.path()).fileName();
    if (status != OpenStatus::ok) {
        const bool locked =
            status == OpenStatus::needsPassword || status == OpenStatus::wrongPassword;
        const std::optional<QString> typed =
            locked ? prompts.password(name, status == OpenStatus::wrongPassword) : std::nullopt;
        // The prompt waits for the speaker, who may have opened another file meanwhile.
        if (attempt != opens)
            return;
        if (typed) {
            load(url, *typed, done);
            return;
        }
        emit noticeChanged();
        emit problem(openFailure(status, name), url.toLocalFile());
        if (done)
            done(false);
        loadEnded();
        return;
    }
    readNotes();
    reloadWatcher->watch(url.toLocalFile());
    sidecarWatcher->watch(url.toLocalFile());
    unreadableChange.clear();
    RecentFiles::add(url);
    emit opened();
    if (done)
        done(true);
    loadEnded();
}

void DeckController::reload(std::function<void(bool)> finished) {
    // A load under way goes first; when it leaves this deck open (a reload, or another file that
    // failed), the change is read after it.
    if (!deck.loading().isEmpty()) {
        whenLoaded([this, url = deck.url(), finished = std::move(finished)] {
            if (deck.url() == url)
                reload(finished);
        });
        return;
    }
    deck.load(deck.url(), [this, finished = std::move(finished)](OpenStatus status) {
        const bool reloaded = status == OpenStatus::ok;
        if (reloaded) {
            unreadableChange.clear();
            readNotes();
            RecentFiles::add(deck.url());
            emit this->reloaded();
        }
        // Also when it failed: the status line no longer says that it loads.
        emit noticeChanged();
        finished(reloaded);
        loadEnded();
    });
    emit noticeChanged();
}

void DeckController::readNotes() {
    deckNotes.load(deck.url().toLocalFile(), deck.pageLabels(), deck.metadata());
    const QString problem = deckNotes.sidecarProblem();
    // Once per file and fault: a reload of the same deck does not say it again.
    if (!problem.isEmpty() && problem != saidProblem)
        std::fprintf(stderr, "talvane-orvello: %s\n", qPrintable(problem));
    saidProblem = problem;
    applyNotesSide();
}

void DeckController::applyNotesSide() {
    deck.setNotesSide(PageSplit::resolve(Preferences::text(notesSideKey), deck.pageSizes(),
                                         deckNotes.sidecar().beamerNotePosition));
    // A notes page's label says nothing of the slides.
    deckNotes.setNotesPages(deck.notesSide() != NotesSide::none);
}

void DeckController::chooseNotesSide(const QString& choice) {
    Preferences::setValue(notesSideKey, choice);
    applyNotesSide();
}

QString DeckController::notice() const {
    if (const QUrl loading = deck.loading(); !loading.isEmpty())
        return L10n::format("Öffne %@ …", {QFileInfo(loading.path()).fileName()});
    if (!unreadableChange.isEmpty())
        return L10n::format("Geänderte Datei %@ nicht lesbar – die bisherige Fassung bleibt",
                            {unreadableChange});
    // A truncated copy opens with what could be saved of it; found out now, not on stage.
    if (deck.wasRepaired())
        return L10n::format("%@ wurde repariert – Inhalt kann fehlen",
                            {QFileInfo(deck.url().path()).fileName()});
    return deckNotes.sidecarProblem();
}

QString DeckController::openFailure(OpenStatus status, const QString& name) {
    switch (status) {
    case OpenStatus::notFound:
        return L10n::format("Datei nicht gefunden: %@", {name});
    case OpenStatus::permissionDenied:
        return L10n::format("Keine Berechtigung, %@ zu lesen", {name});
    case OpenStatus::notPdf:
        return L10n::format("%@ ist keine PDF-Datei", {name});
    case OpenStatus::needsPassword:
        return L10n::format("%@ ist durch ein Passwort geschützt", {name});
    case OpenStatus::wrongPassword:
        return L10n::format("Falsches Passwort für %@", {name});
    case OpenStatus::damaged:
    case OpenStatus::ok:
        break;
    }
    return L10n::format("%@ ist beschädigt und kann nicht geöffnet werden", {name});
}
