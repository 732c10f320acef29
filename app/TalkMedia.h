// Video and sound of the deck in the running program: the slide's clips played over the
// projector's slide and mirrored on the console's current slide with their controls, started by
// a click, the key or the deck itself, silenced at once by blanking and by the end of the talk.
#pragma once

#include "media/SlideMedia.h"

#include <QHash>
#include <QJsonArray>
#include <QObject>
#include <QPointer>

#include <optional>

class Deck;
class SlideShow;
class SlideView;
class VideoSurface;

class TalkMedia : public QObject {
    Q_OBJECT
public:
    TalkMedia(Deck& deck, SlideShow& show, QObject* parent = nullptr);
    ~TalkMedia() override;

    // The slide views the clips play over: the projector's and the console's current slide.
    void setViews(SlideView* audience, SlideView* console);
    // The deck was opened or reloaded: its clips from now on.
    void deckOpened();
    // After every change, once the projector has been refreshed; `next` is the slide after.
    // A `frozen` projector shows no video and plays no sound.
    void refresh(std::optional<qint64> next, bool frozen);
    // M: starts or pauses the slide's clip.
    void toggle();
    // What keeps the slide's clip from playing, for the status line; empty when nothing does.
    QString notice() const { return slideMedia.notice(); }
    // The current slide's clips, for the automation's state.
    QJsonArray automationState() const;

signals:
    // The status line's text may have changed.
    void noticeChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Surfaces {
        QPointer<VideoSurface> audience;
        QPointer<VideoSurface> console;
    };
    void rebuild();
    void place();
    void showClip(MediaClip* clip);
    void showFrame(MediaClip* clip);

    Deck& deck;
    SlideShow& show;
    SlideMedia slideMedia;
    QPointer<SlideView> audienceView;
    QPointer<SlideView> consoleView;
    QHash<MediaClip*, Surfaces> surfaces;
    QString lastNotice;
};
