// The application controller's side of the external timers: launch, the choice sheet, the
// "Ontime / Stagetimer" menu, the setup windows and the two timer blocks.
#include "app/AppDelegate.h"

#include "app/Automation.h"
#include "base/L10n.h"
#include "base/Preferences.h"
#include "ui/console/PresenterView.h"
#include "ui/console/PresenterWindow.h"
#include "ui/timers/ExternalTimerBlock.h"
#include "ui/timers/OntimeSetup.h"
#include "ui/timers/StagetimerSetup.h"

#include <QApplication>
#include <QDialog>
#include <QJsonArray>
#include <QMenu>
#include <QMessageBox>
#include <QTextDocument>
#include <algorithm>
#include <cmath>
#include <utility>

namespace {

const QString applicationTitle = QStringLiteral("Talvane Orvello");

using namespace TimerSelection;

void display(ExternalTimerBlock* block, const BlockContent& content) {
    block->display(content.caption, content.remaining, content.paused, content.running,
                   content.message, content.blink, content.secondary, content.status);
}

QJsonObject blockState(const PresenterView* view) {
    const ExternalTimerBlock* block = nullptr;
    QString visible = QStringLiteral("none");
    if (view->ontimeBlock->isVisibleTo(view)) {
        block = view->ontimeBlock;
        visible = QStringLiteral("ontime");
    } else if (view->stagetimerBlock->isVisibleTo(view)) {
        block = view->stagetimerBlock;
        visible = QStringLiteral("stagetimer");
    }
    QJsonObject state{{QStringLiteral("visible"), visible}};
    const auto colour = [](const QLabel* label) {
        return label->palette().color(QPalette::WindowText);
    };
    state.insert(QStringLiteral("caption"), block ? block->captionLabel()->text() : QString());
    state.insert(QStringLiteral("time"), block ? block->timeLabel()->text() : QString());
    state.insert(QStringLiteral("timeColor"),
                 block ? colour(block->timeLabel()).name() : QString());
    state.insert(QStringLiteral("message"), block ? block->messageLabel()->text() : QString());
    // The message's opacity is the alpha of its colour; two decimals are what the eye can tell.
    state.insert(QStringLiteral("messageOpacity"),
                 block ? std::round(double(colour(block->messageLabel()).alphaF()) * 100) / 100
                       : 0.0);
    state.insert(QStringLiteral("secondary"), block ? block->secondaryLabel()->text() : QString());
    state.insert(QStringLiteral("status"), block ? block->statusLabel()->text() : QString());
    return state;
}

} // namespace

void AppDelegate::startTimers() {
    const QPointer<AppDelegate> self(this);
    // Only one link at a time: whichever connects last wins.
    ontime.onConnected = [self] {
        if (self)
            self->stagetimer.disconnectRoom();
    };
    stagetimer.onConnected = [self] {
        if (self)
            self->ontime.disconnectServer();
    };
    ontime.onChoice = [self](const QList<OntimeServer>& ontimes,
                             const QList<StagetimerDesktop>& apps) {
        if (self)
            self->chooseTimer(ontimes, apps);
    };
    switch (startAction(Preferences::text(sourceKey), Preferences::flag(stagetimerEnabledKey),
                        Preferences::flag(ontimeEnabledKey))) {
    case StartAction::search:
        ontime.search(true, true);
        break;
    case StartAction::startStagetimer:
        stagetimer.start();
        break;
    case StartAction::startOntime:
        ontime.start();
        break;
    }
}

bool AppDelegate::showsSheet() const {
    const QWidget* window = presenterWindow();
    if (!window)
        return false;
    const QList<QDialog*> dialogs = window->findChildren<QDialog*>(Qt::FindDirectChildrenOnly);
    return std::any_of(dialogs.begin(), dialogs.end(),
                       [](const QDialog* dialog) { return dialog->isVisible(); });
}

void AppDelegate::chooseTimer(const QList<OntimeServer>& ontimes,
                              const QList<StagetimerDesktop>& apps) {
    offerTimers(choices(ontimes, apps));
}

void AppDelegate::offerTimers(const QList<TimerChoice>& offered, bool asked) {
    if (offered.size() < 2 || !presenter)
        return;
    // A sheet takes the keyboard: never in front of an audience unless the speaker asks for it.
    if (presentation.isPresenting && !asked) {
        heldOffer = offered;
        if (Automation::isActive())
            Automation::printEvent({{QStringLiteral("event"), QStringLiteral("offer-held")},
                                    {QStringLiteral("choices"), int(offered.size())}});
        refresh();
        return;
    }
    if (showsSheet())
        return;
    heldOffer.clear();
    const int selected = preselected(offered, Preferences::text(sourceKey));
    auto* sheet = new TimerChoiceSheet(offered, selected, presenterWindow());
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    choiceSheet = sheet;
    connect(sheet, &TimerChoiceSheet::chosen, this,
            [this, offered](int index) { use(offered.at(index)); });
    sheet->open();
    if (Automation::isActive()) {
        QJsonArray titles;
        for (const TimerChoice& choice : offered)
            titles.append(choiceTitle(choice));
        Automation::printEvent({{QStringLiteral("event"), QStringLiteral("sheet")},
                                {QStringLiteral("message"), L10n::lookup("Timer gefunden")},
                                {QStringLiteral("choices"), titles},
                                {QStringLiteral("selected"), selected}});
    }
    refresh();
}

void AppDelegate::setTimerChoiceAside() {
    if (!choiceSheet || !choiceSheet->isVisible())
        return;
    heldOffer = choiceSheet->choices();
    choiceSheet->close();
    refresh();
}

void AppDelegate::offerHeldTimers() {
    const QList<TimerChoice> offered = std::exchange(heldOffer, {});
    // A timer chosen from the menu during the talk answers the offer.
    if (!offered.isEmpty() && !ontime.server() && !stagetimer.connected() &&
        !stagetimer.connecting())
        offerTimers(offered);
}

TimerChoiceSheet* AppDelegate::timerChoiceSheet() const {
    return choiceSheet && choiceSheet->isVisible() ? choiceSheet.data() : nullptr;
}

void AppDelegate::use(const TimerChoice& choice) {
    if (const auto* server = std::get_if<OntimeServer>(&choice)) {
        ontime.connectTo(*server);
        return;
    }
    const auto* app = std::get_if<StagetimerDesktop>(&choice);
    if (!app) {
        disconnectTimers();
        return;
    }
    switch (stagetimerUse(*app, Preferences::text(roomKey), Preferences::text(apiKeyKey))) {
    case StagetimerUse::tooOld:
        showSheetAlert(L10n::lookup("Stagetimer-App zu alt"), tooOldText(*app));
        break;
    case StagetimerUse::connect:
        stagetimer.setServer(address(app->host, app->port));
        stagetimer.connectRoom();
        break;
    case StagetimerUse::openSetup:
        stagetimer.setServer(address(app->host, app->port));
        showStagetimerSetup();
        break;
    }
}

void AppDelegate::showSheetAlert(const QString& message, const QString& informative) {
    if (Automation::isActive() || !presenter) {
        showAlert(message, informative);
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Warning, applicationTitle, message, QMessageBox::Ok,
                                presenterWindow());
    // The texts name hosts found on the network: shown as written, never guessed as HTML.
    box->setTextFormat(Qt::PlainText);
    box->setInformativeText(informative.isEmpty() ? QString()
                                                  : Qt::convertFromPlainText(informative));
    box->setWindowModality(Qt::WindowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void AppDelegate::searchTimers() {
    // A running scan is left alone rather than started over.
    if (!ontime.scanning())
        ontime.search(true, true);
}

void AppDelegate::showOntimeSetup() {
    if (!ontimeSetup)
        ontimeSetup = std::make_unique<OntimeSetupWindowController>(ontime);
    ontimeSetup->showWindow();
}

void AppDelegate::showStagetimerSetup() {
    if (!stagetimerSetup)
        stagetimerSetup = std::make_unique<StagetimerSetupWindowController>(stagetimer);
    stagetimerSetup->showWindow();
}

void AppDelegate::connectFoundOntime(const OntimeServer& server) {
    ontime.connectTo(server);
}

void AppDelegate::connectFoundStagetimer(const StagetimerDesktop& app) {
    use(app);
}

void AppDelegate::disconnectTimers() {
    ontime.disconnectServer();
    stagetimer.disconnectRoom();
    Preferences::setValue(sourceKey, internalSource);
}

void AppDelegate::fillOntimeMenu(QMenu* menu) {
    const QPointer<AppDelegate> self(this);
    // The entries carry the lists they were made from, as a menu item carries its record.
    const QList<OntimeServer> servers = ontime.found();
    const QList<StagetimerDesktop> apps = ontime.stagetimersFound();
    fillMenu(menu, menuItems(readLinks(ontime, stagetimer)),
             [self, servers, apps](const MenuItem& item) {
                 if (!self)
                     return;
                 switch (item.command) {
                 case MenuCommand::none:
                     break;
                 case MenuCommand::search:
                     self->searchTimers();
                     break;
                 case MenuCommand::showOntimeSetup:
                     self->showOntimeSetup();
                     break;
                 case MenuCommand::showStagetimerSetup:
                     self->showStagetimerSetup();
                     break;
                 case MenuCommand::connectOntime:
                     self->connectFoundOntime(servers.at(item.index));
                     break;
                 case MenuCommand::connectStagetimer:
                     self->connectFoundStagetimer(apps.at(item.index));
                     break;
                 case MenuCommand::useInternal:
                     self->disconnectTimers();
                     break;
                 }
             });
    if (heldOffer.isEmpty())
        return;
    // The offer held during the talk, to be answered now if the speaker wants.
    QAction* first = menu->actions().value(1);
    QAction* offer = new QAction(L10n::lookup("Gefundene Timer zur Auswahl …"), menu);
    connect(offer, &QAction::triggered, this, [self] {
        if (self)
            self->offerTimers(std::exchange(self->heldOffer, {}), true);
    });
    menu->insertAction(first, offer);
}

void AppDelegate::updateOntime(PresenterView* view) {
    bool relayout = false;
    const bool showsOntime = Preferences::flag(ontimeEnabledKey);
    if (view->showsOntime != showsOntime) {
        view->showsOntime = showsOntime;
        relayout = true;
    }
    if (showsOntime)
        display(view->ontimeBlock, ontimeBlock(readOntime(ontime)));
    const bool showsStagetimer = Preferences::flag(stagetimerEnabledKey);
    if (view->showsStagetimer != showsStagetimer) {
        view->showsStagetimer = showsStagetimer;
        relayout = true;
    }
    if (showsStagetimer)
        display(view->stagetimerBlock, stagetimerBlock(readStagetimer(stagetimer)));
    // The view lays itself out afresh on every refresh.
    if (relayout)
        refresh();
}

QWidget* AppDelegate::visibleSetupWindow() const {
    QWidget* ontimeWindow = ontimeSetup ? ontimeSetup->window() : nullptr;
    QWidget* stagetimerWindow = stagetimerSetup ? stagetimerSetup->window() : nullptr;
    QWidget* active = QApplication::activeWindow();
    if (active && (active == ontimeWindow || active == stagetimerWindow))
        return active;
    for (QWidget* window : {ontimeWindow, stagetimerWindow})
        if (window && window->isVisible())
            return window;
    return nullptr;
}

QJsonObject AppDelegate::timersSnapshot() const {
    const std::optional<OntimeServer>& server = ontime.server();
    QJsonObject state{{QStringLiteral("ontime"),
                       QJsonObject{{QStringLiteral("connected"), ontime.connected()},
                                   {QStringLiteral("status"), ontime.status()},
                                   {QStringLiteral("server"), server ? server->label() : QString()},
                                   {QStringLiteral("scanning"), ontime.scanning()},
                                   {QStringLiteral("scanProgress"), ontime.scanProgress()}}},
                      {QStringLiteral("stagetimer"),
                       QJsonObject{{QStringLiteral("connected"), stagetimer.connected()},
                                   {QStringLiteral("connecting"), stagetimer.connecting()},
                                   {QStringLiteral("status"), stagetimer.status()}}},
                      {QStringLiteral("timerSource"), Preferences::text(sourceKey)}};
    const QWidget* setup = visibleSetupWindow();
    state.insert(QStringLiteral("setup"), !setup ? QStringLiteral("none")
                                          : ontimeSetup && setup == ontimeSetup->window()
                                              ? QStringLiteral("ontime")
                                              : QStringLiteral("stagetimer"));
    if (presenter)
        state.insert(QStringLiteral("block"), blockState(presenter->content));
    return state;
}
