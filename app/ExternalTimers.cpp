#include "app/ExternalTimers.h"

#include "base/L10n.h"
#include "base/Preferences.h"
#include "ui/dialogs/Prompts.h"
#include "ui/timers/OntimeSetup.h"
#include "ui/timers/StagetimerSetup.h"
#include "ui/timers/TimerChoiceDialog.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <algorithm>
#include <utility>

using namespace TimerSelection;

ExternalTimers::ExternalTimers(Prompts& prompts, QObject* parent)
    : QObject(parent), prompts(prompts) {}

ExternalTimers::~ExternalTimers() = default;

void ExternalTimers::start() {
    // Only one link at a time: whichever connects last wins.
    ontimeLink.onConnected = [this] { stagetimerLink.disconnectRoom(); };
    stagetimerLink.onConnected = [this] { ontimeLink.disconnectServer(); };
    ontimeLink.onChoice = [this](const QList<OntimeServer>& ontimes,
                                 const QList<StagetimerDesktop>& apps) { choose(ontimes, apps); };
    switch (startAction(Preferences::text(sourceKey), Preferences::flag(stagetimerEnabledKey),
                        Preferences::flag(ontimeEnabledKey))) {
    case StartAction::search:
        ontimeLink.search(true, true);
        break;
    case StartAction::startStagetimer:
        stagetimerLink.start();
        break;
    case StartAction::startOntime:
        ontimeLink.start();
        break;
    }
}

void ExternalTimers::setPresenting(bool isPresenting) {
    presenting = isPresenting;
    if (presenting)
        setChoiceAside();
    else
        offerTheHeldChoice();
}

bool ExternalTimers::consoleShowsDialog() const {
    if (!console)
        return false;
    const QList<QDialog*> dialogs = console->findChildren<QDialog*>(Qt::FindDirectChildrenOnly);
    return std::any_of(dialogs.begin(), dialogs.end(),
                       [](const QDialog* open) { return open->isVisible(); });
}

void ExternalTimers::choose(const QList<OntimeServer>& ontimes,
                            const QList<StagetimerDesktop>& apps) {
    offer(choices(ontimes, apps));
}

void ExternalTimers::offer(const QList<TimerChoice>& choices, bool asked) {
    if (choices.size() < 2 || !console)
        return;
    // A dialog takes the keyboard: never in front of an audience unless the speaker asks for it.
    if (presenting && !asked) {
        held = choices;
        emit offerHeld(int(choices.size()));
        emit noteChanged();
        return;
    }
    if (consoleShowsDialog())
        return;
    held.clear();
    offered = choices;
    const int selected = preselected(choices, Preferences::text(sourceKey));
    QStringList titles;
    for (const TimerChoice& choice : choices)
        titles.append(choiceTitle(choice));
    auto* open = new TimerChoiceDialog(titles, selected, console);
    open->setAttribute(Qt::WA_DeleteOnClose);
    dialog = open;
    connect(open, &TimerChoiceDialog::chosen, this,
            [this, choices](int index) { use(choices.at(index)); });
    open->open();
    emit choiceOffered(titles, selected);
    emit noteChanged();
}

void ExternalTimers::setChoiceAside() {
    if (!dialog || !dialog->isVisible())
        return;
    held = offered;
    dialog->close();
    emit noteChanged();
}

void ExternalTimers::offerTheHeldChoice() {
    const QList<TimerChoice> choices = std::exchange(held, {});
    // A timer chosen from the menu during the talk answers the offer.
    if (!choices.isEmpty() && !ontimeLink.server() && !stagetimerLink.connected() &&
        !stagetimerLink.connecting())
        offer(choices);
}

TimerChoiceDialog* ExternalTimers::choiceDialog() const {
    return dialog && dialog->isVisible() ? dialog.data() : nullptr;
}

QString ExternalTimers::note() const {
    return held.isEmpty() ? QString()
                          : L10n::lookup("Timer gefunden – Auswahl nach dem Vortrag oder im Menü "
                                         "„Ontime / Stagetimer“");
}

void ExternalTimers::use(const TimerChoice& choice) {
    if (const auto* server = std::get_if<OntimeServer>(&choice)) {
        ontimeLink.connectTo(*server);
        return;
    }
    const auto* app = std::get_if<StagetimerDesktop>(&choice);
    if (!app) {
        disconnectAll();
        return;
    }
    switch (stagetimerUse(*app, Preferences::text(roomKey), Preferences::text(apiKeyKey))) {
    case StagetimerUse::tooOld:
        prompts.notice(L10n::lookup("Stagetimer-App zu alt"), tooOldText(*app));
        break;
    case StagetimerUse::connect:
        stagetimerLink.setServer(address(app->host, app->port));
        stagetimerLink.connectRoom();
        break;
    case StagetimerUse::openSetup:
        stagetimerLink.setServer(address(app->host, app->port));
        showStagetimerSetup();
        break;
    }
}

void ExternalTimers::search() {
    // A running scan is left alone rather than started over.
    if (!ontimeLink.scanning())
        ontimeLink.search(true, true);
}

void ExternalTimers::showOntimeSetup() {
    if (!ontimeSetup)
        ontimeSetup = std::make_unique<OntimeSetupWindow>(ontimeLink);
    ontimeSetup->showInFront();
}

void ExternalTimers::showStagetimerSetup() {
    if (!stagetimerSetup)
        stagetimerSetup = std::make_unique<StagetimerSetupWindow>(stagetimerLink);
    stagetimerSetup->showInFront();
}

void ExternalTimers::disconnectAll() {
    ontimeLink.disconnectServer();
    stagetimerLink.disconnectRoom();
    Preferences::setValue(sourceKey, internalSource);
}

void ExternalTimers::fillMenu(QMenu* menu) {
    // The entries carry the lists they were made from, as a menu item carries its record.
    const QList<OntimeServer> servers = ontimeLink.found();
    const QList<StagetimerDesktop> apps = ontimeLink.stagetimersFound();
    TimerSelection::fillMenu(menu, menuItems(readLinks(ontimeLink, stagetimerLink)),
                             [this, servers, apps](const MenuItem& item) {
                                 switch (item.command) {
                                 case MenuCommand::none:
                                     break;
                                 case MenuCommand::search:
                                     search();
                                     break;
                                 case MenuCommand::showOntimeSetup:
                                     showOntimeSetup();
                                     break;
                                 case MenuCommand::showStagetimerSetup:
                                     showStagetimerSetup();
                                     break;
                                 case MenuCommand::connectOntime:
                                     ontimeLink.connectTo(servers.at(item.index));
                                     break;
                                 case MenuCommand::connectStagetimer:
                                     use(apps.at(item.index));
                                     break;
                                 case MenuCommand::useInternal:
                                     disconnectAll();
                                     break;
                                 }
                             });
    if (held.isEmpty())
        return;
    // The offer held during the talk, to be answered now if the speaker wants.
    QAction* first = menu->actions().value(1);
    QAction* answer = new QAction(L10n::lookup("Gefundene Timer zur Auswahl …"), menu);
    connect(answer, &QAction::triggered, this, [this] { offer(std::exchange(held, {}), true); });
    menu->insertAction(first, answer);
}

ExternalTimers::Block ExternalTimers::shownBlock() const {
    if (Preferences::flag(ontimeEnabledKey))
        return Block::ontime;
    if (Preferences::flag(stagetimerEnabledKey))
        return Block::stagetimer;
    return Block::none;
}

TimerBlockContent ExternalTimers::blockContent() const {
    switch (shownBlock()) {
    case Block::ontime:
        return ontimeBlock(readOntime(ontimeLink));
    case Block::stagetimer:
        return stagetimerBlock(readStagetimer(stagetimerLink));
    case Block::none:
        break;
    }
    return {};
}

QWidget* ExternalTimers::visibleSetupWindow() const {
    QWidget* ontimeWindow = ontimeSetup.get();
    QWidget* stagetimerWindow = stagetimerSetup.get();
    QWidget* active = QApplication::activeWindow();
    if (active && (active == ontimeWindow || active == stagetimerWindow))
        return active;
    for (QWidget* window : {ontimeWindow, stagetimerWindow})
        if (window && window->isVisible())
            return window;
    return nullptr;
}

bool ExternalTimers::isOntimeSetup(const QWidget* window) const {
    return window && window == ontimeSetup.get();
}

QWidget* ExternalTimers::setupWindow(bool ontime) const {
    return ontime ? static_cast<QWidget*>(ontimeSetup.get()) : stagetimerSetup.get();
}
