// The prompts as the desktop's dialogs over the console window.
#pragma once

#include "ui/dialogs/Prompts.h"

#include <QPointer>
#include <QWidget>

class WidgetPrompts : public Prompts {
public:
    void setWindow(QWidget* window) override { parent = window; }

    void alert(const QString& message, const QString& informative) override;
    void notice(const QString& message, const QString& informative) override;
    std::optional<QString> password(const QString& name, bool again) override;
    bool confirmQuit(const QString& message) override;
    bool confirmDeckChange(const QString& message) override;
    int ask(const QString& message, const QStringList& buttons) override;
    void about(const QString& title, const QString& text) override;

private:
    QPointer<QWidget> parent;
};
