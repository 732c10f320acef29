// What a page offers for moving through the deck: its link areas and where they lead, the
// transition that brings it on screen and how long it stays before the deck moves on by itself.
// Read from the file in a worker and handed to the program as bytes, which it checks as untrusted.
#pragma once

#include <QByteArray>
#include <QList>
#include <QRectF>
#include <QString>

#include <optional>

struct PageLink {
    // What the link's action is, as the file states it; whether it is followed is the program's
    // decision.
    enum class Kind : quint8 {
        page,        // a page of this document (`page`)
        destination, // a named destination of this document, found (`page`, its name in `text`)
        action,      // one of the viewer's named actions (`action`)
        uri,         // an address (`text`)
        launch,      // starts a program or opens a file (`text`: the file)
        javascript,
        otherDocument, // a page of another file (GoToR, GoToE)
        missing,       // a named destination the document does not have (`text`)
        unsupported,   // any other action (`text`: its type)
    };
    enum class Action : quint8 { none, next, previous, first, last, back, forward };

    // Of the page as displayed, 0..1, top-left origin.
    QRectF area;
    Kind kind = Kind::page;
    qint64 page = -1;
    Action action = Action::none;
    QString text;

    friend bool operator==(const PageLink&, const PageLink&) = default;
};

struct PageTransition {
    // The PDF's transition styles; replace is a cut.
    enum class Style : quint8 {
        replace,
        split,
        blinds,
        box,
        wipe,
        dissolve,
        glitter,
        fly,
        push,
        cover,
        uncover,
        fade
    };
    static constexpr int noDirection = -1;

    Style style = Style::replace;
    double seconds = 1;
    // Split and blinds: lines across (false) or down (true) the page.
    bool vertical = false;
    // Split, box and fly: from the centre out (true) or from the edges in (false).
    bool outward = false;
    // Degrees counter-clockwise from left-to-right (0, 90, 180, 270, 315), or noDirection (fly).
    int direction = 0;
    // Fly: the scale the moving page starts or ends at.
    double flyScale = 1;

    friend bool operator==(const PageTransition&, const PageTransition&) = default;
};

struct PageNavigation {
    QList<PageLink> links;
    std::optional<PageTransition> transition;
    // /Dur: how long the page stays before the deck advances by itself while presenting.
    std::optional<double> displaySeconds;

    // Enough for a table of contents; more is no slide's.
    static constexpr qsizetype maximumLinks = 1000;
    static constexpr qsizetype maximumText = 2048;
    static constexpr double longestTransition = 10;
    static constexpr double longestDisplay = 24 * 3600;

    QByteArray toBytes() const;
    // What the bytes hold, within the bounds above; nothing at all when they do not parse.
    static PageNavigation fromBytes(const QByteArray& bytes);

    friend bool operator==(const PageNavigation&, const PageNavigation&) = default;
};
