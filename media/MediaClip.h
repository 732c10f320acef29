// One clip or sound of the slide on screen or the next one: its player, its sound (played once)
// and its frames, converted off the main thread to the exact sizes the projector and the console
// show them at, so that one decode feeds both.
#pragma once

#include "engine/MediaLink.h"
#include "media/FrameScaler.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QUrl>
#include <QVideoFrame>

#include <memory>
#include <optional>

class QAudioOutput;
class QMediaPlayer;
class QThreadPool;
class QTimer;
class QVideoSink;

class MediaClip : public QObject {
    Q_OBJECT
public:
    // `converter` turns frames into images, one at a time; it outlives the clip.
    MediaClip(const MediaLink& link, const QString& name, QThreadPool* converter,
              QObject* parent = nullptr);
    ~MediaClip() override;

    const MediaLink& link() const { return media; }
    // The file's name, for the status line and the automation.
    const QString& name() const { return clipName; }

    // Where the next open() starts instead of the clip's own start: a clip that resumes.
    void setStartAt(qint64 milliseconds) { startAt = milliseconds; }
    // Opens `source` and decodes up to its first frame without playing. `fd`, where set, is the
    // descriptor `source` reads (an embedded file), kept open while the clip lives.
    void open(const QUrl& source, int fd = -1);
    // The clip cannot play, with the reason; the slide keeps its poster.
    void fail(const QString& reason);

    // Plays from where it is; from its start once it has played out.
    void play();
    void pause();
    void toggle();
    void seek(qint64 milliseconds);
    // Silent and unseen at once, without moving: blanking, the end of the talk.
    void hold();

    bool isPlaying() const { return playing; }
    // Frames are on screen: started on this visit and not left.
    bool showsFrames() const { return visible && !shownFrame.isNull(); }
    qint64 position() const;
    qint64 duration() const;
    bool hasVideo() const;
    // Empty while nothing is wrong.
    const QString& problem() const { return trouble; }
    int framesShown() const { return shown; }
    int framesDropped() const { return dropped; }

    // The sizes the frames are wanted at, device pixels: the clip's area on the projector and
    // on the console.
    void setFrameSizes(QSize audience, QSize console);
    QImage audienceFrame() const { return shownFrame; }
    QImage consoleFrame() const { return shownConsoleFrame; }

signals:
    // A new frame is ready to paint.
    void frameReady();
    // Playing, position, duration or problem changed.
    void changed();

private:
    void frameArrived(const QVideoFrame& frame);
    void convert(const QVideoFrame& frame);
    void converted(const QImage& audience, const QImage& console, bool counted);
    void playedOut();
    // To where the clip starts: the deck's start, or where a clip that resumes was left.
    void seekToStart();
    void statusChanged();

    const MediaLink media;
    const QString clipName;
    QThreadPool* const converter;
    // Shared with a conversion under way, which may outlast the clip.
    std::shared_ptr<FrameScaler> scaler = std::make_shared<FrameScaler>();
    QMediaPlayer* player = nullptr;
    QAudioOutput* audio = nullptr;
    QVideoSink* sink = nullptr;
    QTimer* loading = nullptr;
    int descriptor = -1;
    qint64 startAt = -1;
    bool startReached = false;

    bool playing = false;
    bool visible = false;
    bool ended = false;
    int timesPlayed = 0;
    QString trouble;
    int shown = 0;
    int dropped = 0;

    QSize audienceSize;
    QSize consoleSize;
    bool converting = false;
    std::optional<QVideoFrame> waiting;
    QImage shownFrame;
    QImage shownConsoleFrame;
};
