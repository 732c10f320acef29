#include "ui/console/NotesPane.h"

#include "base/Colors.h"
#include "base/L10n.h"
#include "base/Preferences.h"
#include "document/Deck.h"
#include "ui/common/LabelStyle.h"
#include "ui/common/SlideView.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>
#include <cmath>

namespace {

constexpr double smallest = 8;
constexpr double largest = 96;

// Notes come from files the speaker did not necessarily write: images they name are never
// loaded, from disk or elsewhere.
class NotesDocument : public QTextDocument {
public:
    using QTextDocument::QTextDocument;

protected:
    QVariant loadResource(int, const QUrl&) override { return {}; }
};

bool sameNotes(const QList<DeckNotes::Note>& a, const QList<DeckNotes::Note>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.source == y.source && x.markdown == y.markdown && x.text == y.text;
    });
}

} // namespace

NotesPane::NotesPane(QWidget* parent)
    : QWidget(parent), text(new QTextEdit(this)), picture(new SlideView(this)) {
    picture->setShowsNotes(true);
    picture->setBackground(Colors::grey(0.15));
    picture->hide();
    text->setDocument(new NotesDocument(text));
    text->setReadOnly(true);
    // The presenter keys stay with the console; the wheel still scrolls.
    text->setFocusPolicy(Qt::NoFocus);
    text->setTextInteractionFlags(Qt::NoTextInteraction);
    text->setFrameShape(QFrame::NoFrame);
    text->setPlaceholderText(L10n::lookup("Keine Notizen zu dieser Folie"));
    QPalette colours = text->palette();
    colours.setColor(QPalette::Base, Colors::grey(0.15));
    colours.setColor(QPalette::Text, Colors::grey(0.92));
    colours.setColor(QPalette::PlaceholderText, Colors::grey(0.45));
    text->setPalette(colours);
    text->document()->setDocumentMargin(10);
    applyFont();
}

void NotesPane::setDeck(Deck* deck) {
    picture->setDeck(deck);
}

void NotesPane::setNotesPage(std::optional<qint64> page) {
    if (picture->needsRefreshFor(page)) {
        picture->setPage(page);
        picture->setVisible(page.has_value());
        layoutParts();
        picture->refresh();
    }
}

void NotesPane::setNotes(const QList<DeckNotes::Note>& notes) {
    if (sameNotes(notes, shown))
        return;
    shown = notes;
    DeckNotes::render(*text->document(), notes);
    applyFont();
    layoutParts();
}

QString NotesPane::plainText() const {
    return text->document()->toPlainText().trimmed();
}

double NotesPane::fontSize() const {
    const double stored = Preferences::value(fontSizeKey).toDouble();
    const double size = stored > 0 ? stored : deckFontSize.value_or(20);
    return std::clamp(std::round(size), smallest, largest);
}

void NotesPane::setDeckFontSize(std::optional<double> size) {
    if (size == deckFontSize)
        return;
    deckFontSize = size;
    applyFont();
}

void NotesPane::changeFontSize(int steps) {
    Preferences::setValue(fontSizeKey, std::clamp(fontSize() + 2 * steps, smallest, largest));
    applyFont();
}

void NotesPane::applyFont() {
    const int pixels = int(fontSize());
    const QFont font = LabelStyle::interfaceFont(pixels, QFont::Normal);
    text->setFont(font);
    QTextDocument* document = text->document();
    document->setDefaultFont(font);
    // Markdown code comes in the system's fixed font at its own size; it follows the notes' size.
    // Collected first: changing a format merges and splits the fragments being walked.
    struct Span {
        int start, length;
        QTextCharFormat format;
    };
    QList<Span> code;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().fontFixedPitch())
                code.append({fragment.position(), fragment.length(), fragment.charFormat()});
        }
    }
    for (Span& span : code) {
        span.format.clearProperty(QTextFormat::FontPointSize);
        span.format.setProperty(QTextFormat::FontPixelSize, pixels);
        QTextCursor cursor(document);
        cursor.setPosition(span.start);
        cursor.setPosition(span.start + span.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(span.format);
    }
}

void NotesPane::resizeEvent(QResizeEvent*) {
    layoutParts();
}

// The picture alone fills the pane; with written notes too it takes the upper three fifths.
void NotesPane::layoutParts() {
    const bool pictured = picture->page().has_value();
    const int pictureHeight = !pictured ? 0 : shown.isEmpty() ? height() : height() * 3 / 5;
    picture->setGeometry(0, 0, width(), pictureHeight);
    text->setGeometry(0, pictureHeight, width(), height() - pictureHeight);
    text->setVisible(!pictured || !shown.isEmpty());
}
