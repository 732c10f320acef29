// Automation steps for the external timers: the search, the choice sheet, the timer menu and the
// setup windows.
#include "app/Application.h"
#include "app/MenuBar.h"
#include "automation/Automation.h"
#include "ui/timers/TimerChoiceDialog.h"

#include <QJsonArray>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

namespace {

// The button a step names: by object name first, else by its (unique) title.
QPushButton* findButton(QWidget* window, const QString& name, QString& problem) {
    QList<QPushButton*> byTitle;
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        if (!button->isVisible())
            continue;
        if (button->objectName() == name)
            return button;
        if (button->text() == name)
            byTitle.append(button);
    }
    if (byTitle.size() == 1)
        return byTitle.first();
    problem =
        byTitle.isEmpty()
            ? QStringLiteral("no button \"%1\"").arg(name)
            : QStringLiteral("several buttons read \"%1\"; name one by its object name").arg(name);
    return nullptr;
}

} // namespace

void Automation::registerTimerSteps() {
    registerStep(QStringLiteral("search-timers"), [this](const QString&) {
        app.timers().search();
        return 0;
    });
    // Answers the open choice sheet with its radio button N (counted from 0) and "Anzeigen".
    registerStep(QStringLiteral("choose-timer"), [this](const QString& argument) {
        const QString step = QStringLiteral("choose-timer ") + argument;
        TimerChoiceDialog* sheet = app.timers().choiceDialog();
        if (!sheet) {
            printError(step, QStringLiteral("no timer choice is open"));
            return 0;
        }
        bool ok = false;
        const int index = argument.toInt(&ok);
        if (!ok || index < 0 || index >= sheet->radioButtons().size()) {
            printError(step, QStringLiteral("needs the index of a choice"));
            return 0;
        }
        sheet->radioButtons().at(index)->click();
        sheet->showButton()->click();
        return 0;
    });
    // The "Ontime / Stagetimer" menu as it reads when it opens.
    registerStep(QStringLiteral("menu-timers"), [this](const QString&) {
        MenuBar* bar = app.menus();
        if (!bar) {
            printError(QStringLiteral("menu-timers"), QStringLiteral("no menu bar"));
            return 0;
        }
        QMenu* menu = bar->ontimeMenu();
        emit menu->aboutToShow();
        QJsonArray items;
        for (const QAction* action : menu->actions()) {
            if (action->isSeparator())
                continue;
            items.append(QJsonObject{
                {QStringLiteral("title"),
                 QString(action->text()).replace(QStringLiteral("&&"), QStringLiteral("&"))},
                {QStringLiteral("enabled"), action->isEnabled()},
                {QStringLiteral("checked"), action->isChecked()}});
        }
        printEvent({{QStringLiteral("event"), QStringLiteral("timer-menu")},
                    {QStringLiteral("items"), items}});
        return 0;
    });
    registerStep(QStringLiteral("show-ontime-setup"), [this](const QString&) {
        app.timers().showOntimeSetup();
        return 0;
    });
    registerStep(QStringLiteral("show-stagetimer-setup"), [this](const QString&) {
        app.timers().showStagetimerSetup();
        return 0;
    });
    // "setup FIELD VALUE": types into a field of the setup window on screen and commits it, or
    // selects row VALUE of its list.
    registerStep(QStringLiteral("setup"), [this](const QString& argument) {
        const QString step = QStringLiteral("setup ") + argument;
        const QString field = argument.section(QLatin1Char(' '), 0, 0);
        const QString value = argument.section(QLatin1Char(' '), 1);
        QWidget* window = app.timers().visibleSetupWindow();
        if (!window) {
            printError(step, QStringLiteral("no setup window is shown"));
            return 0;
        }
        if (auto* edit = window->findChild<QLineEdit*>(field)) {
            edit->setFocus();
            edit->setText(value);
            edit->setModified(true);
            emit edit->editingFinished();
            return 0;
        }
        if (auto* list = window->findChild<QListWidget*>(field)) {
            bool ok = false;
            const int row = value.toInt(&ok);
            if (!ok || row < 0 || row >= list->count())
                printError(step, QStringLiteral("no such row"));
            else
                list->setCurrentRow(row);
            return 0;
        }
        printError(step, QStringLiteral("no field \"%1\"").arg(field));
        return 0;
    });
    registerStep(QStringLiteral("setup-press"), [this](const QString& name) {
        const QString step = QStringLiteral("setup-press ") + name;
        QWidget* window = app.timers().visibleSetupWindow();
        QString problem = QStringLiteral("no setup window is shown");
        QPushButton* button = window ? findButton(window, name, problem) : nullptr;
        if (button && !button->isEnabled())
            problem = QStringLiteral("\"%1\" is disabled").arg(name);
        if (!button || !button->isEnabled()) {
            printError(step, problem);
            return 0;
        }
        button->click();
        return 0;
    });
}
