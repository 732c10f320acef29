// The record of every talk, per deck: its last runs, its per-slide plan and the slides the speaker
// keeps, one file per deck in the user's data folder.
#pragma once

#include "timing/BackgroundWriter.h"
#include "timing/SlidePlan.h"
#include "timing/TalkRun.h"

#include <QHash>
#include <QJsonArray>
#include <QObject>
#include <QSet>

#include <memory>
#include <optional>

// Everything recorded for one deck.
struct DeckTimings {
    QList<TalkRun> runs; // oldest first
    SlidePlan plan;
    QSet<qsizetype> kept; // slides never offered for skipping

    bool operator==(const DeckTimings&) const = default;
};

class TimingStore : public QObject {
    Q_OBJECT
public:
    // The runs a deck keeps; the oldest go first.
    static constexpr qsizetype maximumRuns = 50;
    // A deck's file is small; a bigger one is not ours.
    static constexpr qint64 maximumFileBytes = 32 * 1024 * 1024;

    // `folder` holds one file per deck.
    explicit TimingStore(const QString& folder = defaultFolder(), QObject* parent = nullptr);
    // Waits for the writes in flight.
    ~TimingStore() override;

    // "timings" in the program's folder of the user's data home (XDG_DATA_HOME).
    static QString defaultFolder();
    // The file that holds the deck's record.
    QString fileFor(const QString& deckPath) const;

    // Decks are named by their file's path (a "file:" URL's local path); a deck's record is read
    // on first use and kept. A damaged or foreign file is moved aside and reported.
    const DeckTimings& deck(const QString& deckPath);
    std::optional<TalkRun> run(const QString& deckPath, const QString& runId);
    // For automation: kind, start and seconds per slide of each run, oldest first.
    QJsonArray summary(const QString& deckPath);

    bool rename(const QString& deckPath, const QString& runId, const QString& name);
    // The run being recorded cannot be deleted.
    bool remove(const QString& deckPath, const QString& runId);

    // An empty plan removes it.
    void setPlan(const QString& deckPath, const SlidePlan& plan);
    // The run's times become the plan, for a deck of `slideCount` slides.
    bool adoptRun(const QString& deckPath, const QString& runId, qsizetype slideCount);
    // The newest run that is not being recorded.
    bool adoptLastRun(const QString& deckPath, qsizetype slideCount);
    // The mean of the rehearsals made with `slideCount` slides.
    bool adoptRehearsalAverage(const QString& deckPath, qsizetype slideCount);

    void setKept(const QString& deckPath, qsizetype slide, bool keep);

    // The recorder's side: a new run (the oldest beyond the bound go), its progress, its end.
    void beginRun(const QString& deckPath, const TalkRun& run);
    void updateRun(const QString& deckPath, const TalkRun& run);
    void endRun(const QString& deckPath, const TalkRun& run);
    // The id of the run being recorded for the deck; empty when none is.
    QString recordingRun(const QString& deckPath) const;

    // Returns once every change so far is on disk (tests, quitting).
    void flush();

signals:
    // A text for the status line: a file was damaged or could not be written.
    void problem(const QString& message);
    // The deck's runs, plan or kept slides changed.
    void deckChanged(const QString& deckPath);

private:
    struct Entry {
        DeckTimings timings;
        QString activeRun;
        // False when a damaged file could not be moved aside: it is not overwritten.
        bool writable = true;
    };

    Entry& entry(const QString& deckPath);
    Entry load(const QString& deckPath);
    // Moves or copies a bad file aside and reports it; false when that failed.
    bool setAside(const QString& deckPath, const QString& file, bool keepOriginal,
                  const char* germanMessage);
    void save(const QString& deckPath, bool announce = true);
    void written(const QString& path, const QString& error);

    QString folder;
    QHash<QString, Entry> decks;
    // Files whose last write failed, so that a full disk is reported once, not per slide.
    QSet<QString> failing;
    std::unique_ptr<BackgroundWriter> writer;
};
