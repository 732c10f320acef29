#include "app/TimerSelection.h"

#include "base/L10n.h"
#include "base/Preferences.h"
#include "ontime/OntimeModel.h"
#include "stagetimer/StagetimerModel.h"

#include <QAction>
#include <QMenu>
#include <algorithm>
#include <cmath>

namespace TimerSelection {

namespace {

bool isRunningWord(const QString& playback) {
    return playback == QLatin1String("play") || playback == QLatin1String("start") ||
           playback == QLatin1String("roll");
}

QString ontimeTitle(const OntimeServer& server) {
    return address(server.host, server.port) + QStringLiteral(" – Ontime ") + server.version;
}

QString stagetimerTitle(const StagetimerDesktop& app) {
    return address(app.host, app.port) + QStringLiteral(" – Stagetimer") +
           (app.apiV1 ? QString() : QStringLiteral(" (alt)"));
}

// Menus and buttons read a single "&" as the mark of a keyboard accelerator.
QString literalTitle(QString title) {
    return title.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

MenuItem command(MenuCommand command, const QString& title, const QKeySequence& shortcut = {}) {
    MenuItem item;
    item.command = command;
    item.title = title;
    item.shortcut = shortcut;
    return item;
}

MenuItem label(const QString& title) {
    MenuItem item;
    item.title = title;
    item.enabled = false;
    return item;
}

MenuItem separator() {
    MenuItem item;
    item.separator = true;
    return item;
}

QString roomText(const QString& room) {
    return L10n::format("Raum %@", {room});
}

} // namespace

StartAction startAction(const QString& timerSource, bool stagetimerEnabled, bool ontimeEnabled) {
    if (timerSource == internalSource)
        return StartAction::search;
    if (stagetimerEnabled && (timerSource == QLatin1String("stagetimer") || !ontimeEnabled))
        return StartAction::startStagetimer;
    if (ontimeEnabled)
        return StartAction::startOntime;
    return StartAction::search;
}

QString address(const QString& host, int port) {
    return host + QLatin1Char(':') + QString::number(port);
}

QList<TimerChoice> choices(const QList<OntimeServer>& ontimes,
                           const QList<StagetimerDesktop>& stagetimers) {
    QList<TimerChoice> list;
    for (const OntimeServer& server : ontimes)
        list.append(server);
    for (const StagetimerDesktop& app : stagetimers)
        list.append(app);
    list.append(InternalTimer{});
    return list;
}

QString choiceTitle(const TimerChoice& choice) {
    if (const auto* server = std::get_if<OntimeServer>(&choice))
        return ontimeTitle(*server);
    if (const auto* app = std::get_if<StagetimerDesktop>(&choice))
        return stagetimerTitle(*app);
    return L10n::lookup("Interner Timer (Vortragszeit)");
}

int preselected(const QList<TimerChoice>& choices, const QString& timerSource) {
    if (choices.isEmpty())
        return -1;
    return timerSource == internalSource ? int(choices.size()) - 1 : 0;
}

StagetimerUse stagetimerUse(const StagetimerDesktop& app, const QString& room, const QString& key) {
    if (!app.apiV1)
        return StagetimerUse::tooOld;
    return !room.isEmpty() && !key.isEmpty() ? StagetimerUse::connect : StagetimerUse::openSetup;
}

QString tooOldText(const StagetimerDesktop& app) {
    return L10n::format("Die Stagetimer-Desktop-App auf %@ unterstützt die API v1 noch nicht. "
                        "Bitte Stagetimer aktualisieren.",
                        {address(app.host, app.port)});
}

LinkState readLinks(const OntimeModel& ontime, const StagetimerModel& stagetimer) {
    LinkState links;
    links.ontimeServer = ontime.server();
    links.ontimeConnected = ontime.connected();
    links.ontimeEnabled = Preferences::flag(ontimeEnabledKey);
    links.scanning = ontime.scanning();
    links.scanProgress = ontime.scanProgress();
    links.ontimeStatus = ontime.status();
    links.found = ontime.found();
    links.stagetimersFound = ontime.stagetimersFound();
    links.stagetimerConnected = stagetimer.connected();
    links.stagetimerConnecting = stagetimer.connecting();
    links.stagetimerEnabled = Preferences::flag(stagetimerEnabledKey);
    links.stagetimerStatus = stagetimer.status();
    links.stagetimerRoom = Preferences::text(roomKey);
    links.stagetimerServer = Preferences::text(serverKey);
    return links;
}

QString menuStatus(const LinkState& links) {
    if (links.ontimeConnected && links.ontimeServer)
        return L10n::format("● Verbunden: %@", {links.ontimeServer->label()});
    if (links.stagetimerConnected)
        return L10n::format("● Verbunden: %@",
                            {QStringLiteral("Stagetimer · ") + roomText(links.stagetimerRoom)});
    // A search that has gone through every address and waits to start again says so, rather
    // than reading "99 %" for as long as nothing is found.
    if (links.scanning && links.scanProgress < 1) {
        // The fraction is dropped; a search still running never reads 100 %.
        const double share = std::clamp(links.scanProgress, 0.0, 0.99);
        return L10n::format("Suche läuft … %d %%", {int(std::floor(share * 100))});
    }
    if (links.stagetimerEnabled || links.stagetimerConnecting)
        return links.stagetimerStatus;
    return links.ontimeStatus;
}

bool internalTimerAvailable(const LinkState& links) {
    return links.ontimeServer || links.ontimeEnabled || links.scanning || links.stagetimerEnabled ||
           links.stagetimerConnecting;
}

QList<MenuItem> menuItems(const LinkState& links) {
    QList<MenuItem> items;
    items.append(label(menuStatus(links)));
    items.append(separator());
    items.append(command(MenuCommand::search, L10n::lookup("Timer im Netzwerk suchen"),
                         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)));
    items.append(command(MenuCommand::showOntimeSetup, L10n::lookup("Ontime verbinden …"),
                         QKeySequence(Qt::CTRL | Qt::Key_T)));
    items.append(command(MenuCommand::showStagetimerSetup, L10n::lookup("Stagetimer verbinden …"),
                         QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S)));
    if (!links.found.isEmpty() || !links.stagetimersFound.isEmpty()) {
        items.append(separator());
        items.append(label(L10n::lookup("Gefunden:")));
        for (int i = 0; i < links.found.size(); ++i) {
            const OntimeServer& server = links.found.at(i);
            MenuItem item = command(MenuCommand::connectOntime,
                                    L10n::format("Verbinden mit %@", {ontimeTitle(server)}));
            item.checkable = true;
            item.checked = links.ontimeServer == server;
            item.index = i;
            items.append(item);
        }
        for (int i = 0; i < links.stagetimersFound.size(); ++i) {
            const StagetimerDesktop& app = links.stagetimersFound.at(i);
            MenuItem item = command(MenuCommand::connectStagetimer,
                                    L10n::format("Verbinden mit %@", {stagetimerTitle(app)}));
            item.checkable = true;
            item.checked =
                links.stagetimerEnabled && links.stagetimerServer == address(app.host, app.port);
            item.index = i;
            items.append(item);
        }
    }
    items.append(separator());
    MenuItem internal = command(MenuCommand::useInternal, L10n::lookup("Interner Timer verwenden"));
    internal.enabled = internalTimerAvailable(links);
    items.append(internal);
    return items;
}

void fillMenu(QMenu* menu, const QList<MenuItem>& items,
              const std::function<void(const MenuItem&)>& run) {
    menu->clear();
    for (const MenuItem& item : items) {
        if (item.separator) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(literalTitle(item.title));
        action->setEnabled(item.enabled);
        action->setCheckable(item.checkable);
        action->setChecked(item.checked);
        if (!item.shortcut.isEmpty()) {
            action->setShortcut(item.shortcut);
            action->setShortcutContext(Qt::ApplicationShortcut);
        }
        if (item.command != MenuCommand::none)
            QObject::connect(action, &QAction::triggered, menu, [run, item] { run(item); });
    }
}

OntimeReading readOntime(const OntimeModel& model) {
    return {.connected = model.connected(),
            .server = model.server(),
            .status = model.status(),
            .eventTitle = model.eventTitle(),
            .playback = model.playback(),
            .remainingMs = model.remainingMs(),
            .timerMessage = model.timerMessage(),
            .timerMessageBlinks = model.timerMessageBlinks(),
            .secondaryMessage = model.secondaryMessage(),
            .trouble = model.trouble()};
}

StagetimerReading readStagetimer(const StagetimerModel& model) {
    return {.connected = model.connected(),
            .status = model.status(),
            .timerName = model.timerName(),
            .running = model.running(),
            .pause = model.pause(),
            .remainingMs = model.remainingMs(),
            .message = model.message(),
            .room = Preferences::text(roomKey),
            .trouble = model.trouble()};
}

QString troubleText(LinkTrouble trouble) {
    switch (trouble) {
    case LinkTrouble::lost:
        return L10n::lookup("Verbindung verloren");
    case LinkTrouble::unreachable:
        return L10n::lookup("nicht erreichbar");
    case LinkTrouble::none:
        break;
    }
    return {};
}

QString ontimeStateWord(std::optional<double> remaining, const QString& playback) {
    if (remaining && *remaining < 0)
        return L10n::lookup("Überzeit");
    if (playback == QLatin1String("pause"))
        return L10n::lookup("pausiert");
    if (isRunningWord(playback))
        return L10n::lookup("läuft");
    return L10n::lookup("bereit");
}

QString stagetimerStateWord(std::optional<double> remaining, bool running,
                            std::optional<double> pause) {
    if (remaining && *remaining < 0)
        return L10n::lookup("Überzeit");
    if (running)
        return L10n::lookup("läuft");
    if (pause && *pause > 0)
        return L10n::lookup("pausiert");
    return L10n::lookup("bereit");
}

BlockContent ontimeBlock(const OntimeReading& reading) {
    BlockContent block;
    block.caption = L10n::lookup("Ontime-Timer");
    if (!reading.eventTitle.isEmpty())
        block.caption += QStringLiteral(" · ") + reading.eventTitle;
    block.remaining = reading.remainingMs;
    block.paused = reading.playback == QLatin1String("pause");
    block.running = isRunningWord(reading.playback);
    block.message = reading.timerMessage;
    block.blink = reading.timerMessageBlinks;
    block.secondary = reading.secondaryMessage;
    if (reading.connected) {
        const QString host = reading.server ? reading.server->host : QString();
        block.status = host + QStringLiteral(" · ") +
                       (reading.remainingMs ? ontimeStateWord(reading.remainingMs, reading.playback)
                                            : L10n::lookup("kein Timer aktiv"));
    } else {
        block.status = reading.status;
    }
    block.trouble = troubleText(reading.trouble);
    return block;
}

BlockContent stagetimerBlock(const StagetimerReading& reading) {
    BlockContent block;
    block.caption = QStringLiteral("Stagetimer");
    if (!reading.timerName.isEmpty())
        block.caption += QStringLiteral(" · ") + reading.timerName;
    block.remaining = reading.remainingMs;
    block.paused = !reading.running && reading.pause && *reading.pause > 0;
    block.running = reading.running;
    block.message = reading.message;
    if (reading.connected) {
        block.status = roomText(reading.room) + QStringLiteral(" · ") +
                       (reading.remainingMs ? stagetimerStateWord(reading.remainingMs,
                                                                  reading.running, reading.pause)
                                            : L10n::lookup("kein Timer aktiv"));
    } else {
        block.status = reading.status;
    }
    block.trouble = troubleText(reading.trouble);
    return block;
}

} // namespace TimerSelection
