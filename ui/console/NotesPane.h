// The console's notes pane: the current slide's notes, read-only, scrolled with the mouse, in a
// size the speaker sets with Ctrl+Plus / Ctrl+Minus. It lives in the console only, so nothing of it
// ever reaches the projector.
#pragma once

#include "notes/DeckNotes.h"

#include <QWidget>

#include <optional>

class Deck;
class QTextEdit;
class SlideView;

class NotesPane : public QWidget {
    Q_OBJECT
public:
    explicit NotesPane(QWidget* parent = nullptr);

    void setDeck(Deck* deck);
    // The notes half of this page as a picture (decks with notes pages), above any written notes.
    void setNotesPage(std::optional<qint64> page);

    // Shows these notes; the same notes again keep the scroll position.
    void setNotes(const QList<DeckNotes::Note>& notes);
    QString plainText() const;

    // The speaker's stored size, else the deck's (its sidecar's), else 20 pixels.
    double fontSize() const;
    void setDeckFontSize(std::optional<double> size);
    // Steps of 2 pixels, within 8 and 96, stored for every deck.
    void changeFontSize(int steps);

    static inline const QString fontSizeKey = QStringLiteral("notesFontSize");

    QTextEdit* text;
    SlideView* picture;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyFont();
    void layoutParts();

    QList<DeckNotes::Note> shown;
    std::optional<double> deckFontSize;
};
