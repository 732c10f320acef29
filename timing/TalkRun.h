// One recorded presentation of a deck, start to end: how long each slide was shown and blanked,
// and the slides the speaker skipped.
#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

struct TalkRun {
    enum class Kind { talk, rehearsal };

    // Slides are counted from 0; the deck's slide count when the run began bounds them.
    struct Slide {
        double shownSeconds = 0;
        double blankSeconds = 0; // time the audience saw black or white while this slide was up
        int visits = 0;          // how often the talk came to it; more than one is a return

        double seconds() const { return shownSeconds + blankSeconds; }
        bool operator==(const Slide&) const = default;
    };

    struct Skip {
        qsizetype first = 0;
        qsizetype last = 0;
        double atSeconds = 0; // into the run
        int plannedSeconds = 0;
        bool operator==(const Skip&) const = default;
    };

    // A deck this long is not a slide deck; bounding it keeps one file small.
    static constexpr qsizetype maximumSlides = 10000;
    static constexpr qsizetype maximumSkips = 1000;
    // Names are shown in one line of a chooser.
    static constexpr qsizetype maximumNameLength = 200;

    QString id;
    QString name; // the speaker's; empty until renamed
    Kind kind = Kind::talk;
    double startMs = 0; // ms since 1970
    // Absent while the run is recorded and when it was cut short (the program ended mid-talk).
    std::optional<double> endMs;
    QList<Slide> slides;
    QList<Skip> skips;

    qsizetype slideCount() const { return slides.size(); }
    double totalSeconds() const;
    // The time spent on each slide, shown and blanked, as many as the run has slides.
    QList<double> slideSeconds() const;

    bool operator==(const TalkRun&) const = default;

    QJsonObject toJson() const;
    // Absent unless every member has the right type and range.
    static std::optional<TalkRun> fromJson(const QJsonObject& object);

    // "talk" or "rehearsal".
    static QString kindName(Kind kind);
};

namespace TalkRuns {

// What automation reports of a deck's runs: kind, start, end and the seconds per slide.
QJsonArray summary(const QList<TalkRun>& runs);

} // namespace TalkRuns
