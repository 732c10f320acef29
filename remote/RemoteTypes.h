// The values that pass between the remote control and the program: commands, the presenter's
// state, the settings, and what the console and the automation read back.
#pragma once

#include <QHostAddress>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

// The presenter's commands, the only ones reachable from the network.
enum class RemoteCommand { Next, Previous, GoTo, Black, White, Show, Start, Stop };

// The command's name on the wire ("next", "goto", …) and back.
QString remoteCommandName(RemoteCommand command);
std::optional<RemoteCommand> remoteCommandNamed(QStringView name);

enum class RemoteBlank { None, Black, White };

// What the phones and the control desks see of the talk; the program sets it on every change.
struct RemoteState {
    int slideIndex = 0; // zero-based
    int slideCount = 0;
    RemoteBlank blank = RemoteBlank::None;
    bool presenting = false;
    QString typed;      // a slide number being typed on the console
    QString talkTime;   // the talk timer or countdown as the console shows it
    QString talkColour; // the pace colour: "green", "yellow", "orange", "red" or empty
    std::optional<int> remainingSeconds;
    QString externalTimer; // the external timer's text where one is shown, else empty
    QString notesText;
    QString notesHtml;       // safe HTML made by the program, never text from the network
    qint64 currentPage = -1; // deck pages the pictures show; -1 for none
    qint64 nextPage = -1;
    quint64 deckGeneration = 0; // changes whenever a deck is opened or read again

    bool operator==(const RemoteState&) const = default;
};

// The phone's view of the state ("state" messages) and the control desk's (/api/v1/state).
QJsonObject phoneStateJson(const RemoteState& state);
QJsonObject apiStateJson(const RemoteState& state);

struct RemoteSettings {
    bool enabled = false;
    // An interface name ("wlp2s0"), an IPv4 address, or empty for the first Ethernet or Wi-Fi
    // interface.
    QString interfaceName;
    quint16 httpPort = 9180;
    quint16 oscPort = 9181;

    // "remoteEnabled", "remoteInterface", "remotePort", "remoteOscPort"; out-of-range ports read
    // as the defaults.
    static RemoteSettings fromPreferences();
    bool operator==(const RemoteSettings&) const = default;
};

// The address to listen on for an interface setting; null when there is none.
QHostAddress remoteListenAddress(const QString& interfaceName);

struct RemoteClient {
    int id = 0;
    QString name; // made by the program from the peer's address and browser, never sent text
    bool controlling = false;

    bool operator==(const RemoteClient&) const = default;
};

// What the console's panel and the automation read.
struct RemoteStatus {
    bool listening = false;
    QString address; // the phone page's address, token included
    quint16 httpPort = 0;
    quint16 oscPort = 0;
    QList<RemoteClient> clients;
    QString controlling; // the controlling phone's name, empty when none

    QJsonObject toJson() const;
    bool operator==(const RemoteStatus&) const = default;
};
