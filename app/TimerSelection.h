// The choice of external timer: the source started at launch, the choice offered after a search,
// the "Ontime / Stagetimer" menu and what the two timer blocks show, as functions of plain state.
#pragma once

#include "net/LinkTrouble.h"
#include "ontime/Discovery.h"
#include "ontime/OntimeWire.h"
#include "ui/timers/ExternalTimerBlock.h"

#include <QKeySequence>
#include <QList>
#include <QString>
#include <functional>
#include <optional>
#include <variant>

class OntimeModel;
class QMenu;
class StagetimerModel;

// Only the program's own talk timer.
struct InternalTimer {
    friend bool operator==(const InternalTimer&, const InternalTimer&) = default;
};

// The timer shown at the bottom left: an Ontime server, a Stagetimer desktop app, or our own.
using TimerChoice = std::variant<OntimeServer, StagetimerDesktop, InternalTimer>;

namespace TimerSelection {

inline const QString sourceKey = QStringLiteral("timerSource");
inline const QString ontimeEnabledKey = QStringLiteral("ontimeEnabled");
inline const QString stagetimerEnabledKey = QStringLiteral("stagetimerEnabled");
inline const QString roomKey = QStringLiteral("stagetimerRoom");
inline const QString apiKeyKey = QStringLiteral("stagetimerKey");
inline const QString serverKey = QStringLiteral("stagetimerServer");
inline const QString internalSource = QStringLiteral("internal");

// What launch does with the stored settings; `timerSource` is empty when none is stored.
enum class StartAction { search, startStagetimer, startOntime };
StartAction startAction(const QString& timerSource, bool stagetimerEnabled, bool ontimeEnabled);

// "host:port", as stored under "stagetimerServer" for a desktop app.
QString address(const QString& host, int port);

// One choice per Ontime server, then per Stagetimer app, then the internal timer.
QList<TimerChoice> choices(const QList<OntimeServer>& ontimes,
                           const QList<StagetimerDesktop>& stagetimers);
// The radio button's title in the choice dialog.
QString choiceTitle(const TimerChoice& choice);
// The internal timer when it was the last choice, else the first entry.
int preselected(const QList<TimerChoice>& choices, const QString& timerSource);

// What choosing a Stagetimer app does, given the stored room and key.
enum class StagetimerUse { connect, openSetup, tooOld };
StagetimerUse stagetimerUse(const StagetimerDesktop& app, const QString& room, const QString& key);
// The informative text of the alert that refuses an app without API v1.
QString tooOldText(const StagetimerDesktop& app);

// Everything the menu reads from the two links and the preferences.
struct LinkState {
    std::optional<OntimeServer> ontimeServer;
    bool ontimeConnected = false;
    bool ontimeEnabled = false;
    bool scanning = false;
    double scanProgress = 0;
    QString ontimeStatus;
    QList<OntimeServer> found;
    QList<StagetimerDesktop> stagetimersFound;
    bool stagetimerConnected = false;
    bool stagetimerConnecting = false;
    bool stagetimerEnabled = false;
    QString stagetimerStatus;
    QString stagetimerRoom;
    QString stagetimerServer;
};
LinkState readLinks(const OntimeModel& ontime, const StagetimerModel& stagetimer);

enum class MenuCommand {
    none,
    search,
    showOntimeSetup,
    showStagetimerSetup,
    connectOntime,     // `index` into `found`
    connectStagetimer, // `index` into `stagetimersFound`
    useInternal,
};

struct MenuItem {
    MenuCommand command = MenuCommand::none;
    bool separator = false;
    QString title;
    bool enabled = true;
    bool checkable = false;
    bool checked = false;
    int index = -1;
    QKeySequence shortcut;
};

// The first line of the menu: the connection, the search progress or the link's status.
QString menuStatus(const LinkState& links);
// "Interner Timer verwenden" has something to switch off.
bool internalTimerAvailable(const LinkState& links);
QList<MenuItem> menuItems(const LinkState& links);
// Replaces the menu's items; a triggered item calls `run` with its description.
void fillMenu(QMenu* menu, const QList<MenuItem>& items,
              const std::function<void(const MenuItem&)>& run);

using BlockContent = TimerBlockContent;

struct OntimeReading {
    bool connected = false;
    std::optional<OntimeServer> server;
    QString status;
    QString eventTitle;
    QString playback;
    std::optional<double> remainingMs;
    QString timerMessage;
    bool timerMessageBlinks = false;
    QString secondaryMessage;
    LinkTrouble trouble = LinkTrouble::none;
};
OntimeReading readOntime(const OntimeModel& model);

struct StagetimerReading {
    bool connected = false;
    QString status;
    QString timerName;
    bool running = false;
    std::optional<double> pause;
    std::optional<double> remainingMs;
    QString message;
    QString room;
    LinkTrouble trouble = LinkTrouble::none;
};
StagetimerReading readStagetimer(const StagetimerModel& model);
// What the block says of a link that keeps failing; empty while it works.
QString troubleText(LinkTrouble trouble);

QString ontimeStateWord(std::optional<double> remaining, const QString& playback);
QString stagetimerStateWord(std::optional<double> remaining, bool running,
                            std::optional<double> pause);
BlockContent ontimeBlock(const OntimeReading& reading);
BlockContent stagetimerBlock(const StagetimerReading& reading);

} // namespace TimerSelection
