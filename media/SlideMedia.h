// The clips of the slide the audience sees and of the next one: read from the deck, opened and
// decoded up to their first frame ahead of time, started with the slide where the deck says so,
// stopped when it is left, held while the projector is blanked and between talks.
#pragma once

#include "media/MediaCatalog.h"
#include "media/MediaClip.h"

#include <QHash>
#include <QObject>
#include <QThreadPool>

#include <optional>

class SlideMedia : public QObject {
    Q_OBJECT
public:
    explicit SlideMedia(QObject* parent = nullptr);
    ~SlideMedia() override;

    // The deck whose media play from now on (`path` is its file); all clips of the old one stop.
    void setDeck(const EngineFactory& engines, const QString& path);
    // The page the audience sees and the one that follows; `live` while a talk shows it on the
    // projector unblanked. Clips start and stop as the deck says.
    void show(std::optional<qint64> page, std::optional<qint64> next, bool live);
    // The current page's clips, in the page's order.
    QList<MediaClip*> clips() const;
    std::optional<qint64> page() const { return current; }
    bool isLive() const { return live; }
    // Starts or pauses the slide's clip (the first that can play): the key's command.
    void toggle();
    // A clip started or paused by a click on it; only while live.
    void toggle(MediaClip* clip);
    // The first problem of the current page's clips, for the status line; empty when none.
    QString notice() const;

    // More clips on one page than this are not opened.
    static constexpr int maximumClips = 8;

signals:
    // The current page's clips are other ones: views place their surfaces anew.
    void clipsChanged();
    // A current clip's state or frame changed.
    void clipChanged(MediaClip* clip);
    void frameReady(MediaClip* clip);

private:
    void update();
    QList<MediaClip*> prepare(qint64 page);
    MediaClip* create(qint64 page, const MediaLink& link);
    void fileTaken(qint64 page, int index, int fd);
    void drop(qint64 page);

    MediaCatalog catalog;
    QThreadPool converter;
    QString deckFolder;
    std::optional<qint64> current;
    std::optional<qint64> following;
    bool live = false;
    QHash<qint64, QList<MediaClip*>> opened;
    // Where clips that resume were left, by page and entry.
    QHash<std::pair<qint64, int>, qint64> leftAt;
};
