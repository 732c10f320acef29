#include "media/MediaClip.h"

#include "base/L10n.h"
#include "media/MediaPlacement.h"

#include <QAudioOutput>
#include <QCoreApplication>
#include <QMediaPlayer>
#include <QThreadPool>
#include <QTimer>
#include <QVideoSink>

#include <cstdlib>

#include <unistd.h>

namespace {

// A clip that has not loaded by then will not: the status line says so and the poster stays.
constexpr int loadingMilliseconds = 15000;

// The largest size of the frame's shape within `target`.
QSize fittedInto(QSize frame, QSize target) {
    if (frame.isEmpty() || target.isEmpty())
        return {};
    return MediaPlacement::fitted(frame, QRect(QPoint(), target)).size();
}

} // namespace

MediaClip::MediaClip(const MediaLink& link, const QString& name, QThreadPool* converter,
                     QObject* parent)
    : QObject(parent), media(link), clipName(name), converter(converter) {}

MediaClip::~MediaClip() {
    // The player lets go of the file before its descriptor closes.
    delete player;
    delete audio;
    delete sink;
    if (descriptor >= 0)
        close(descriptor);
}

void MediaClip::open(const QUrl& source, int fd) {
    descriptor = fd;
    player = new QMediaPlayer;
    audio = new QAudioOutput;
    player->setAudioOutput(audio);
    if (!media.isSound()) {
        sink = new QVideoSink;
        player->setVideoOutput(sink);
        connect(sink, &QVideoSink::videoFrameChanged, this, &MediaClip::frameArrived);
    }
    connect(player, &QMediaPlayer::mediaStatusChanged, this, &MediaClip::statusChanged);
    connect(player, &QMediaPlayer::errorOccurred, this,
            [this](QMediaPlayer::Error, const QString& message) {
                fail(message.isEmpty() ? L10n::lookup("unbekannter Fehler") : message);
            });
    connect(player, &QMediaPlayer::positionChanged, this, [this](qint64 at) {
        if (playing && media.stopMs >= 0 && at >= media.stopMs)
            playedOut();
        emit changed();
    });
    connect(player, &QMediaPlayer::durationChanged, this, &MediaClip::changed);
    loading = new QTimer(this);
    loading->setSingleShot(true);
    connect(loading, &QTimer::timeout, this, [this] { fail(L10n::lookup("lädt nicht")); });
    loading->start(loadingMilliseconds);
    player->setSource(source);
}

void MediaClip::fail(const QString& reason) {
    if (!trouble.isEmpty())
        return;
    trouble = L10n::format("%@ spielt nicht: %@", {clipName, reason});
    playing = false;
    visible = false;
    if (loading)
        loading->stop();
    if (player)
        player->stop();
    emit changed();
}

void MediaClip::statusChanged() {
    const QMediaPlayer::MediaStatus status = player->mediaStatus();
    if (status == QMediaPlayer::InvalidMedia) {
        fail(player->errorString().isEmpty() ? L10n::lookup("kein abspielbares Format")
                                             : player->errorString());
        return;
    }
    if (status == QMediaPlayer::LoadedMedia && loading->isActive()) {
        loading->stop();
        // Decoded up to its first frame ahead of time, so that it starts with the slide.
        seekToStart();
        if (!playing)
            player->pause();
    }
    if (status == QMediaPlayer::BufferedMedia || status == QMediaPlayer::BufferingMedia) {
        loading->stop();
        // A seek asked for before the player could seek is lost: asked again once it can.
        if (!startReached)
            seekToStart();
        startReached = true;
    }
    if (status == QMediaPlayer::EndOfMedia && playing)
        playedOut();
    emit changed();
}

void MediaClip::seekToStart() {
    const qint64 from = startAt >= 0 ? startAt : media.startMs;
    if (from > 0 && std::abs(player->position() - from) > 100)
        player->setPosition(from);
}

void MediaClip::playedOut() {
    ++timesPlayed;
    if (media.repeat == 0 || timesPlayed < media.repeat) {
        player->setPosition(media.startMs);
        player->play();
        return;
    }
    // The last frame stays until the slide is left.
    playing = false;
    ended = true;
    player->pause();
    emit changed();
}

void MediaClip::play() {
    if (!player || !trouble.isEmpty() || playing)
        return;
    if (ended || !visible) {
        if (ended)
            player->setPosition(media.startMs);
        ended = false;
        timesPlayed = 0;
        shown = 0;
        dropped = 0;
    }
    playing = true;
    visible = true;
    player->play();
    // The frame decoded ahead is the first one the audience sees.
    if (!shownFrame.isNull())
        emit frameReady();
    emit changed();
}

void MediaClip::pause() {
    if (!playing)
        return;
    playing = false;
    player->pause();
    emit changed();
}

void MediaClip::toggle() {
    playing ? pause() : play();
}

void MediaClip::seek(qint64 milliseconds) {
    if (!player || !trouble.isEmpty())
        return;
    ended = false;
    player->setPosition(std::max<qint64>(0, milliseconds));
    emit changed();
}

void MediaClip::hold() {
    const bool was = playing || visible;
    playing = false;
    visible = false;
    if (player && trouble.isEmpty())
        player->pause();
    if (was)
        emit changed();
}

qint64 MediaClip::position() const {
    // A player that played out reports its start again; the clip still shows its last frame.
    if (ended && player)
        return media.stopMs >= 0 ? media.stopMs : player->duration();
    return player ? player->position() : 0;
}

qint64 MediaClip::duration() const {
    return player ? player->duration() : 0;
}

bool MediaClip::hasVideo() const {
    return sink && trouble.isEmpty();
}

void MediaClip::setFrameSizes(QSize audience, QSize console) {
    if (audience == audienceSize && console == consoleSize)
        return;
    audienceSize = audience;
    consoleSize = console;
    if (sink && !converting && sink->videoFrame().isValid())
        convert(sink->videoFrame());
}

void MediaClip::frameArrived(const QVideoFrame& frame) {
    if (!frame.isValid())
        return;
    if (converting) {
        // The frame that waited is never shown: a newer one takes its place.
        if (waiting && playing)
            ++dropped;
        waiting = frame;
        return;
    }
    convert(frame);
}

void MediaClip::convert(const QVideoFrame& frame) {
    converting = true;
    const QSize audience = audienceSize;
    const QSize console = consoleSize;
    const bool counted = playing;
    const QPointer<MediaClip> self(this);
    converter->start([self, scaler = scaler, frame, audience, console, counted] {
        const QList<QImage> pictures = scaler->scaled(
            frame, {fittedInto(frame.size(), audience), fittedInto(frame.size(), console)});
        const QImage& forAudience = pictures.at(0);
        const QImage& forConsole = pictures.at(1);
        QMetaObject::invokeMethod(
            qApp,
            [self, forAudience, forConsole, counted] {
                if (self)
                    self->converted(forAudience, forConsole, counted);
            },
            Qt::QueuedConnection);
    });
}

void MediaClip::converted(const QImage& audience, const QImage& console, bool counted) {
    converting = false;
    shownFrame = audience;
    shownConsoleFrame = console;
    if (visible) {
        if (counted)
            ++shown;
        emit frameReady();
    }
    if (waiting) {
        const QVideoFrame next = *waiting;
        waiting.reset();
        convert(next);
    }
}
