// The thin line under the talk timer: the planned time fills it as it is used, and a mark shows
// the current slide's share of the deck, so ahead or behind reads at a glance.
#pragma once

#include "pacing/TalkPace.h"

#include <QWidget>

class PaceLine : public QWidget {
    Q_OBJECT
public:
    explicit PaceLine(QWidget* parent = nullptr);

    void setReading(const TalkPace::Reading& reading);

    // The filled part's colour: green ahead, orange behind, light grey on pace.
    static QColor fillColour(TalkPace::Pace pace);
    // What the line shows, in words: its tooltip and its entry in the key overview.
    static QString legend();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TalkPace::Reading shown;
};
