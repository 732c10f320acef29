// The remote control in the running program: the switch, the window with its address and QR
// code, the talk's state for the phones and the desks, and their commands carried out as the
// keys would carry them out.
#pragma once

#include "pacing/TalkPace.h"
#include "pacing/TalkTimer.h"
#include "remote/RemoteControl.h"

#include <QObject>
#include <QPointer>
#include <array>
#include <optional>

class Actions;
class Deck;
class DeckNotes;
class RemotePanel;
class SlideShow;
class QWidget;

class RemoteLink : public QObject {
    Q_OBJECT
public:
    RemoteLink(const Actions& actions, SlideShow& show, Deck& deck, const DeckNotes& notes,
               QObject* parent = nullptr);
    ~RemoteLink() override;

    // Listens or not as the preferences say ("remoteEnabled", for this run "--set").
    void start();
    // "Fernbedienung …": the switch and what the phones need, in a window over the console.
    void showWindow(QWidget* console);
    void setEnabled(bool enabled);
    bool isEnabled() const { return control.settings().enabled; }

    // The talk as the console shows it now; phones hear only of changes.
    void update(const TalkTimer::Display& timer, const std::optional<TalkPace::Reading>& pace,
                const QString& externalTimer);
    QJsonObject automationState() const { return control.automationState(); }

signals:
    // The switch changed (the menu's check mark follows it).
    void enabledChanged(bool enabled);

private:
    void carryOut(RemoteCommand command, int slideIndex);
    void picture(qint64 page, QSize pixels, std::function<void(QImage)> done);

    const Actions& actions;
    SlideShow& slideShow;
    Deck& deck;
    const DeckNotes& notes;
    RemoteControl control;
    QPointer<QWidget> window;
    QPointer<RemotePanel> panel;
    // The renderer's requesters for the current and the next slide's picture.
    std::array<char, 2> requesters{};
};
