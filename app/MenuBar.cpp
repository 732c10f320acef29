#include "app/MenuBar.h"

#include "app/Actions.h"
#include "app/DeckController.h"
#include "base/L10n.h"
#include "base/Preferences.h"
#include "base/RecentFiles.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QProcess>

namespace {

const QString languageKey = QStringLiteral("appLanguage");

} // namespace

MenuBar::MenuBar(const Actions& actions, QWidget* parent) : QMenuBar(parent) {
    using Id = Actions::Id;
    QMenu* file = addMenu(L10n::lookup("Datei"));
    file->addAction(actions[Id::open]);
    recent = file->addMenu(L10n::lookup("Zuletzt geöffnet"));
    recent->setToolTipsVisible(true);
    connect(recent, &QMenu::aboutToShow, this, &MenuBar::fillRecentMenu);
    fillRecentMenu();
    file->addAction(actions[Id::exportDrawings]);
    file->addSeparator();
    file->addAction(actions[Id::closeWindow]);
    file->addAction(actions[Id::quit]);

    QMenu* view = addMenu(L10n::lookup("Ansicht"));
    view->addAction(actions[Id::overview]);
    view->addAction(actions[Id::transitions]);
    view->addSeparator();
    for (const Id id : {Id::thumbnailColumns1, Id::thumbnailColumns2, Id::thumbnailColumns3,
                        Id::thumbnailColumns4})
        view->addAction(actions[id]);
    view->addSeparator();
    view->addAction(actions[Id::resetLayout]);
    view->addAction(actions[Id::previewNextPage]);
    view->addSeparator();
    // Notes pages: the speaker overrides the guess from the pages' shape.
    QActionGroup* sides = actions.notesSides();
    view->addActions(sides->actions());
    const auto markSide = [sides] {
        const QString chosen =
            Preferences::text(DeckController::notesSideKey, QStringLiteral("auto"));
        for (QAction* action : sides->actions())
            action->setChecked(action->data().toString() == chosen);
    };
    markSide();
    connect(view, &QMenu::aboutToShow, this, markSide);
    view->addSeparator();
    view->addAction(actions[Id::notesLarger]);
    view->addAction(actions[Id::notesSmaller]);
    view->addSeparator();
    language = view->addMenu(L10n::lookup("Sprache"));
    for (const QString& code : L10n::languages()) {
        const QString name = L10n::displayName(code);
        QAction* action = language->addAction(name.isEmpty() ? code : name);
        action->setData(code);
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, code] { chooseLanguage(code); });
    }
    markCurrentLanguage();

    QMenu* presentation = addMenu(L10n::lookup("Präsentation"));
    presentation->addAction(actions[Id::togglePresentation]);
    presentation->addAction(actions[Id::startFromBeginning]);
    presentation->addAction(actions[Id::rehearse]);
    presentation->addSeparator();
    for (const Id id : {Id::next, Id::previous, Id::nextSlide, Id::previousSlide, Id::first,
                        Id::last, Id::linkBack, Id::linkForward})
        presentation->addAction(actions[id]);
    presentation->addSeparator();
    presentation->addAction(actions[Id::toggleBlack]);
    presentation->addAction(actions[Id::toggleWhite]);
    presentation->addAction(actions[Id::skipSlides]);
    presentation->addAction(actions[Id::toggleMedia]);
    presentation->addSeparator();
    for (const Id id : {Id::toggleTimerPause, Id::resetTimer, Id::talkPlan, Id::timings})
        presentation->addAction(actions[id]);
    presentation->addSeparator();
    presentation->addAction(actions[Id::remote]);

    QMenu* tools = addMenu(L10n::lookup("Werkzeuge"));
    for (const Id id :
         {Id::toolPointer, Id::toolSpotlight, Id::toolPen, Id::toolHighlighter, Id::toolEraser})
        tools->addAction(actions[id]);
    tools->addSeparator();
    for (const Id id : {Id::undoStroke, Id::clearSlide, Id::nextColour, Id::nextWidth})
        tools->addAction(actions[id]);
    tools->addSeparator();
    tools->addAction(actions[Id::zoom]);
    tools->addAction(actions[Id::zoomHere]);
    tools->addAction(actions[Id::freeze]);
    tools->addAction(actions[Id::whiteboard]);

    ontime = addMenu(QStringLiteral("Ontime / Stagetimer"));

    QMenu* help = addMenu(L10n::lookup("Hilfe"));
    help->addAction(actions[Id::shortcuts]);
    help->addSeparator();
    help->addAction(actions[Id::about]);
}

void MenuBar::fillRecentMenu() {
    recent->clear();
    const QList<QUrl> files = RecentFiles::all();
    for (const QUrl& file : files) {
        QAction* action = recent->addAction(QFileInfo(file.toLocalFile()).fileName());
        action->setData(file);
        action->setToolTip(file.toLocalFile());
        connect(action, &QAction::triggered, this, [this, file] {
            if (file.isLocalFile())
                emit recentChosen(file);
        });
    }
    if (files.isEmpty())
        recent->addAction(L10n::lookup("Keine Einträge"))->setEnabled(false);
    recent->addSeparator();
    QAction* clear = recent->addAction(L10n::lookup("Liste löschen"));
    clear->setEnabled(!files.isEmpty());
    connect(clear, &QAction::triggered, this, &RecentFiles::clear);
}

void MenuBar::markCurrentLanguage() {
    for (QAction* action : language->actions())
        action->setChecked(action->data().toString() == L10n::current());
}

void MenuBar::chooseLanguage(const QString& code) {
    // A checkable item ticks itself when chosen; the mark stays on the language in use.
    markCurrentLanguage();
    if (code.isEmpty() || code == L10n::current())
        return;
    Preferences::setValue(languageKey, code);
    emit languageChosen(code);
}

void MenuBar::relaunchExecutable(const QStringList& arguments) {
    QProcess::startDetached(QCoreApplication::applicationFilePath(), arguments);
    QCoreApplication::quit();
}
