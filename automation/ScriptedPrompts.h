// The prompts answered without a person: each one is printed as an event and answered as its
// default button would be, so a script never waits for a dialog.
#pragma once

#include "ui/dialogs/Prompts.h"

class ScriptedPrompts : public Prompts {
public:
    void setWindow(QWidget*) override {}
    void alert(const QString& message, const QString& informative) override;
    void notice(const QString& message, const QString& informative) override;
    // The "automationPassword" preference answers the first prompt; asking again would never end.
    std::optional<QString> password(const QString& name, bool again) override;
    // Keeps presenting.
    bool confirmQuit(const QString& message) override;
    // The "automationSwitchDeck" preference answers: true leaves the talk for the other deck.
    bool confirmDeckChange(const QString& message) override;
    int ask(const QString& message, const QStringList& buttons) override;
    void about(const QString& title, const QString& text) override;
};
