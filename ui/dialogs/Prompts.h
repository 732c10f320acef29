// What the program asks or tells the speaker in a dialog. The desktop's dialogs answer in a
// session; a script answers when the program is driven without a person.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

class Prompts {
public:
    virtual ~Prompts() = default;

    // The window the dialogs belong to (the console), once it exists.
    virtual void setWindow(QWidget* window) = 0;

    // A failure the speaker must see, with one button; returns once it is answered.
    virtual void alert(const QString& message, const QString& informative) = 0;
    // The same over the console, returning at once: the talk's keys go on meanwhile.
    virtual void notice(const QString& message, const QString& informative) = 0;
    // The password of an encrypted deck, masked and never stored; absent when cancelled.
    virtual std::optional<QString> password(const QString& name, bool again) = 0;
    // Whether to end a running talk; false keeps presenting.
    virtual bool confirmQuit(const QString& message) = 0;
    // Whether to leave a running talk for another deck; false keeps presenting.
    virtual bool confirmDeckChange(const QString& message) = 0;
    // A question with these buttons, the first the default; the index of the one chosen.
    virtual int ask(const QString& message, const QStringList& buttons) = 0;
    virtual void about(const QString& title, const QString& text) = 0;
};
