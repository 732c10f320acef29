#include "media/SlideMedia.h"

#include "base/L10n.h"
#include "media/MediaSource.h"

#include <QFileInfo>
#include <QTimer>
#include <QUrl>

#include <unistd.h>

namespace {

constexpr int retireMilliseconds = 1000;

QString clipName(const MediaLink& link) {
    if (!link.target.isEmpty())
        return QFileInfo(link.target).fileName().left(200);
    return link.isSound() ? L10n::lookup("eingebetteter Ton") : L10n::lookup("eingebettetes Video");
}

} // namespace

SlideMedia::SlideMedia(QObject* parent) : QObject(parent) {
    // One frame converted at a time: the render workers keep the other core.
    converter.setMaxThreadCount(1);
    converter.setExpiryTimeout(-1);
    connect(&catalog, &MediaCatalog::pageRead, this, [this](qint64 page) {
        if (page == current || page == following)
            update();
    });
    connect(&catalog, &MediaCatalog::fileTaken, this, &SlideMedia::fileTaken);
}

SlideMedia::~SlideMedia() {
    for (const QList<MediaClip*>& clips : std::as_const(opened))
        qDeleteAll(clips);
    converter.waitForDone();
}

void SlideMedia::setDeck(const EngineFactory& engines, const QString& path) {
    for (const QList<MediaClip*>& clips : std::as_const(opened))
        qDeleteAll(clips);
    opened.clear();
    leftAt.clear();
    current.reset();
    following.reset();
    deckFolder = path.isEmpty() ? QString() : QFileInfo(path).absolutePath();
    catalog.setDeck(engines, path);
    emit clipsChanged();
}

void SlideMedia::show(std::optional<qint64> page, std::optional<qint64> next, bool isLive) {
    const bool moved = page != current;
    const bool started = isLive && (!live || moved);
    // The slide left takes its clips along; shown again, it gets fresh ones, made ready ahead as
    // any, at the start or where the clip was left, as the deck asks. Rewinding a player instead
    // held the key's picture back 300 ms (a seek waits for the paused pipeline).
    if (moved && current)
        drop(*current);
    if (!isLive) {
        for (MediaClip* clip : opened.value(current.value_or(-1)))
            clip->hold();
    }
    current = page;
    following = next;
    live = isLive;
    update();
    if (started) {
        for (MediaClip* clip : clips()) {
            if (clip->link().autostart)
                clip->play();
        }
    }
    if (moved)
        emit clipsChanged();
}

void SlideMedia::update() {
    for (const qint64 page : opened.keys()) {
        if (page != current && page != following)
            drop(page);
    }
    const bool had = opened.contains(current.value_or(-1));
    if (current)
        prepare(*current);
    if (following)
        prepare(*following);
    // Read only now: the slide's clips appear, and start where the deck says so.
    if (!had && current && opened.contains(*current)) {
        if (live) {
            for (MediaClip* clip : opened.value(*current)) {
                if (clip->link().autostart)
                    clip->play();
            }
        }
        emit clipsChanged();
    }
}

QList<MediaClip*> SlideMedia::prepare(qint64 page) {
    const auto known = opened.constFind(page);
    if (known != opened.constEnd())
        return *known;
    const std::optional<QList<MediaLink>> links = catalog.media(page);
    if (!links)
        return {};
    QList<MediaClip*> clips;
    for (const MediaLink& link : *links) {
        if (clips.size() == maximumClips)
            break;
        clips.append(create(page, link));
    }
    opened.insert(page, clips);
    return clips;
}

MediaClip* SlideMedia::create(qint64 page, const MediaLink& link) {
    auto* clip = new MediaClip(link, clipName(link), &converter, this);
    connect(clip, &MediaClip::changed, this, [this, clip] {
        if (clips().contains(clip))
            emit clipChanged(clip);
    });
    connect(clip, &MediaClip::frameReady, this, [this, clip] {
        if (clips().contains(clip))
            emit frameReady(clip);
    });
    if (link.resume)
        clip->setStartAt(leftAt.value({page, link.entry}, -1));
    const MediaSource::Resolved source = MediaSource::resolve(link, deckFolder);
    switch (source.status) {
    case MediaSource::Resolved::Status::embedded:
        catalog.takeFile(page, link.entry);
        break;
    case MediaSource::Resolved::Status::file:
        clip->open(QUrl::fromLocalFile(source.path));
        break;
    default:
        clip->fail(MediaSource::refusal(source.status));
        break;
    }
    return clip;
}

void SlideMedia::fileTaken(qint64 page, int index, int fd) {
    for (MediaClip* clip : opened.value(page)) {
        if (clip->link().entry != index || !clip->link().embedded)
            continue;
        if (fd < 0) {
            clip->fail(L10n::lookup("kann nicht aus der PDF-Datei gelesen werden"));
        } else {
            // The memfd plays in place: the file is never copied out of it.
            clip->open(QUrl::fromLocalFile(QStringLiteral("/proc/self/fd/%1").arg(fd)), fd);
        }
        return;
    }
    if (fd >= 0)
        close(fd);
}

void SlideMedia::drop(qint64 page) {
    for (MediaClip* clip : opened.take(page)) {
        if (clip->link().resume && clip->problem().isEmpty())
            leftAt.insert({page, clip->link().entry}, clip->position());
        // Held at once (a pause returns at once), taken down a second later: a player torn down
        // while its pause is still under way holds the program 300 ms, one that has paused takes
        // 13 to 26 ms (timed with a 1080p clip), and no key's picture should wait for either.
        clip->hold();
        QTimer::singleShot(retireMilliseconds, clip, &QObject::deleteLater);
    }
}

QList<MediaClip*> SlideMedia::clips() const {
    return current ? opened.value(*current) : QList<MediaClip*>();
}

void SlideMedia::toggle() {
    const QList<MediaClip*> shown = clips();
    for (MediaClip* clip : shown) {
        if (clip->isPlaying()) {
            clip->pause();
            return;
        }
    }
    for (MediaClip* clip : shown) {
        if (clip->problem().isEmpty()) {
            toggle(clip);
            return;
        }
    }
}

void SlideMedia::toggle(MediaClip* clip) {
    if (live && clips().contains(clip))
        clip->toggle();
}

QString SlideMedia::notice() const {
    for (const MediaClip* clip : clips()) {
        if (!clip->problem().isEmpty())
            return clip->problem();
    }
    return {};
}
