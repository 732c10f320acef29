#include "app/Actions.h"

#include "base/L10n.h"

#include <QAction>
#include <QActionGroup>

namespace {

// Menu shortcuts work from every window of the program, as a menu bar's would.
void setShortcuts(QAction* action, const QList<QKeySequence>& keys) {
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::ApplicationShortcut);
}

} // namespace

Actions::Actions(QObject* parent) : QObject(parent), sides(new QActionGroup(this)) {
    using K = QKeySequence;
    setShortcuts(add(Id::open, L10n::lookup("Öffnen …")), {K(Qt::CTRL | Qt::Key_O)});
    setShortcuts(add(Id::closeWindow, L10n::lookup("Fenster schließen")),
                 {K(Qt::CTRL | Qt::Key_W)});
    setShortcuts(add(Id::quit, L10n::lookup("Beenden")), {K(Qt::CTRL | Qt::Key_Q)});

    const Id columns[] = {Id::thumbnailColumns1, Id::thumbnailColumns2, Id::thumbnailColumns3,
                          Id::thumbnailColumns4};
    const Qt::Key digits[] = {Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_4};
    for (int count = 1; count <= 4; ++count) {
        QAction* action =
            add(columns[count - 1], count == 1 ? L10n::lookup("Folienleiste: 1 Spalte")
                                               : L10n::format("Folienleiste: %d Spalten", {count}));
        action->setData(count);
        setShortcuts(action, {K(Qt::CTRL | digits[count - 1])});
    }
    setShortcuts(add(Id::resetLayout, L10n::lookup("Layout zurücksetzen")),
                 {K(Qt::CTRL | Qt::Key_0)});
    const std::pair<const char*, const char*> choices[] = {
        {"none", ORVL_TEXT("Notizen: keine")},   {"left", ORVL_TEXT("Notizen: links")},
        {"right", ORVL_TEXT("Notizen: rechts")}, {"top", ORVL_TEXT("Notizen: oben")},
        {"bottom", ORVL_TEXT("Notizen: unten")}, {"auto", ORVL_TEXT("Notizen: automatisch")}};
    for (const auto& [choice, title] : choices) {
        QAction* action = sides->addAction(L10n::lookup(title));
        action->setCheckable(true);
        action->setData(QString::fromLatin1(choice));
    }
    // Ctrl+= too: on many keyboards the plus sign needs Shift.
    setShortcuts(add(Id::notesLarger, L10n::lookup("Notizen größer")),
                 {K(Qt::CTRL | Qt::Key_Plus), K(Qt::CTRL | Qt::Key_Equal),
                  K(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Plus))});
    setShortcuts(add(Id::notesSmaller, L10n::lookup("Notizen kleiner")),
                 {K(Qt::CTRL | Qt::Key_Minus),
                  K(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Minus))});
    add(Id::previewNextPage, L10n::lookup("Vorschau zeigt die nächste Seite"))->setCheckable(true);

    // The presenter keys are taken by the key filter, which knows when a dialog may let them
    // pass; the titles name them.
    setShortcuts(add(Id::togglePresentation,
                     L10n::lookup("Präsentation starten / beenden   (Umschalt+F5, Esc)")),
                 {K(Qt::CTRL | Qt::Key_Return)});
    setShortcuts(add(Id::startFromBeginning, L10n::lookup("Von Anfang an starten   (F5)")),
                 {K(Qt::CTRL | Qt::SHIFT | Qt::Key_Return)});
    add(Id::rehearse, L10n::lookup("Probe starten"));
    add(Id::next, L10n::lookup("Nächste Folie   (→, ↓, Leertaste, Bild↓)"));
    add(Id::previous, L10n::lookup("Vorherige Folie   (←, ↑, Rücktaste, Bild↑)"));
    add(Id::nextSlide, L10n::lookup("Nächste ganze Folie   (Umschalt+→, Umschalt+Bild↓)"));
    add(Id::previousSlide, L10n::lookup("Vorherige ganze Folie   (Umschalt+←, Umschalt+Bild↑)"));
    add(Id::first, L10n::lookup("Erste Folie   (Pos1)"));
    add(Id::last, L10n::lookup("Letzte Folie   (Ende)"));
    add(Id::goToTyped, L10n::lookup("Zur eingegebenen Folie"));
    add(Id::escape, L10n::lookup("Eingabe verwerfen, Bild zeigen oder beenden"));
    add(Id::toggleBlack, L10n::lookup("Schwarzbild   (B oder .)"));
    add(Id::toggleWhite, L10n::lookup("Weißbild   (W oder ,)"));
    add(Id::toggleTimerPause, L10n::lookup("Timer anhalten / fortsetzen"));
    add(Id::resetTimer, L10n::lookup("Timer zurücksetzen"));
    add(Id::talkPlan, L10n::lookup("Vortragsdauer …"));
    add(Id::timings, L10n::lookup("Zeiten …"));
    add(Id::skipSlides, L10n::lookup("Folien überspringen   (S)"));
    add(Id::remote, L10n::lookup("Fernbedienung …"));
    setShortcuts(add(Id::shortcuts, L10n::lookup("Tastenkürzel")),
                 {K(Qt::Key_F1), K(QStringLiteral("?"))});
    add(Id::about, L10n::format("Über %@", {QStringLiteral("Talvane Orvello")}));
    add(Id::overview, L10n::lookup("Folienübersicht   (Tab)"));
    add(Id::linkBack, L10n::lookup("Zurück vor den Link   (Alt+←)"));
    add(Id::linkForward, L10n::lookup("Wieder zum Link   (Alt+→)"));
    add(Id::transitions, L10n::lookup("Folienübergänge zeigen"))->setCheckable(true);
    add(Id::toggleMedia, L10n::lookup("Video abspielen / anhalten   (M)"));
    // The tools' keys are presenter keys too, taken by the key filter.
    add(Id::toolPointer, L10n::lookup("Laserpointer   (L)"));
    add(Id::toolSpotlight, L10n::lookup("Spotlight   (O)"));
    add(Id::toolPen, L10n::lookup("Stift   (D)"));
    add(Id::toolHighlighter, L10n::lookup("Textmarker   (H)"));
    add(Id::toolEraser, L10n::lookup("Radierer   (E)"));
    setShortcuts(add(Id::undoStroke, L10n::lookup("Strich rückgängig   (U)")),
                 {K(Qt::CTRL | Qt::Key_Z)});
    add(Id::clearSlide, L10n::lookup("Zeichnungen dieser Folie löschen   (X)"));
    add(Id::nextColour, L10n::lookup("Nächste Farbe   (C)"));
    add(Id::nextWidth, L10n::lookup("Nächste Strichstärke   (V)"));
    add(Id::zoom, L10n::lookup("Zoom   (Z)"));
    add(Id::zoomHere, L10n::lookup("Zoom auf die Stelle unter der Maus   (Umschalt+Z)"));
    add(Id::freeze, L10n::lookup("Projektor einfrieren   (F)"));
    add(Id::whiteboard, L10n::lookup("Whiteboard   (T)"));
    add(Id::exportDrawings, L10n::lookup("Mit Zeichnungen exportieren"));
    setDeckOpen(false);
}

QAction* Actions::add(Id id, const QString& text) {
    auto* action = new QAction(text, this);
    actions.insert(id, action);
    return action;
}

void Actions::trigger(Id id) const {
    QAction* action = actions.value(id);
    if (action && action->isEnabled())
        action->trigger();
}

void Actions::setDeckOpen(bool open) {
    for (const Id id : {Id::togglePresentation,
                        Id::startFromBeginning,
                        Id::next,
                        Id::previous,
                        Id::nextSlide,
                        Id::previousSlide,
                        Id::first,
                        Id::last,
                        Id::goToTyped,
                        Id::escape,
                        Id::toggleBlack,
                        Id::toggleWhite,
                        Id::toolPointer,
                        Id::toolSpotlight,
                        Id::toolPen,
                        Id::toolHighlighter,
                        Id::toolEraser,
                        Id::undoStroke,
                        Id::clearSlide,
                        Id::nextColour,
                        Id::nextWidth,
                        Id::zoom,
                        Id::zoomHere,
                        Id::freeze,
                        Id::whiteboard,
                        Id::exportDrawings,
                        Id::overview,
                        Id::linkBack,
                        Id::linkForward,
                        Id::toggleMedia})
        actions.value(id)->setEnabled(open);
}
