// Automation steps for the output screens, the menus and the thumbnail sidebar.
#include "app/AppDelegate.h"
#include "app/Automation.h"
#include "app/MenuBar.h"
#include "ui/common/SlideView.h"
#include "ui/console/PresenterView.h"
#include "ui/console/ThumbnailSidebar.h"

#include <QApplication>
#include <QComboBox>
#include <QJsonArray>
#include <QMenu>
#include <QMouseEvent>
#include <QRegularExpression>

namespace {

QAction* findItem(const QList<QAction*>& actions, const QString& title) {
    for (QAction* action : actions) {
        if (!action->isSeparator() && action->text() == title)
            return action;
    }
    return nullptr;
}

// Opens each menu on the path the way a person does, so that menus filled on opening are
// filled, and answers the item at its end; closes the menus again either way.
QAction* walkMenus(MenuBar& bar, const QStringList& titles, QString& problem) {
    QList<QMenu*> opened;
    QList<QAction*> actions = bar.actions();
    QAction* item = nullptr;
    const QPoint origin = bar.mapToGlobal(QPoint(0, bar.height()));
    for (qsizetype i = 0; i < titles.size(); ++i) {
        item = findItem(actions, titles.at(i));
        if (!item) {
            problem = QStringLiteral("no item \"%1\"").arg(titles.at(i));
            break;
        }
        if (i + 1 == titles.size())
            break;
        QMenu* menu = item->menu();
        if (!menu) {
            problem = QStringLiteral("\"%1\" is not a menu").arg(titles.at(i));
            item = nullptr;
            break;
        }
        menu->popup(origin + QPoint(int(40 * i), int(20 * i)));
        opened.append(menu);
        actions = menu->actions();
    }
    for (qsizetype i = opened.size() - 1; i >= 0; --i)
        opened.at(i)->close();
    if (item && item->menu()) {
        problem = QStringLiteral("\"%1\" is a menu").arg(item->text());
        return nullptr;
    }
    if (item && !item->isEnabled()) {
        problem = QStringLiteral("\"%1\" is disabled").arg(item->text());
        return nullptr;
    }
    return item;
}

void click(QWidget* target, QPoint at) {
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, target->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier);
        // Sent to the widget under the point; Qt passes it up to the parent that takes it.
        QApplication::sendEvent(target, &event);
    }
}

} // namespace

void Automation::registerScreenSteps() {
    registerStep(QStringLiteral("screens"), [this](const QString&) {
        QJsonObject screens = controller.screensSnapshot();
        screens.insert(QStringLiteral("event"), QStringLiteral("screens"));
        printEvent(screens);
        return 0;
    });
    registerStep(QStringLiteral("choose-screen"), [this](const QString& argument) {
        PresenterView* view = controller.presenterView();
        bool ok = false;
        const int index = argument.toInt(&ok);
        if (!view || !ok || index < 0 || index >= view->screenPopup->count()) {
            printError(QStringLiteral("choose-screen ") + argument,
                       QStringLiteral("needs the index of a chooser item"));
            return 0;
        }
        view->screenPopup->setCurrentIndex(index);
        emit view->screenPopup->activated(index);
        return 0;
    });
    registerStep(QStringLiteral("menu"), [this](const QString& argument) {
        MenuBar* bar = controller.menus();
        QString problem = QStringLiteral("no menu bar");
        QAction* item =
            bar ? walkMenus(*bar, argument.split(QStringLiteral(" > ")), problem) : nullptr;
        if (!item) {
            printError(QStringLiteral("menu ") + argument, problem);
            return 0;
        }
        item->trigger();
        return 0;
    });
    // Every menu with its items as shown (submenus by their titles), filled as on opening.
    registerStep(QStringLiteral("menus"), [this](const QString&) {
        MenuBar* bar = controller.menus();
        if (!bar) {
            printError(QStringLiteral("menus"), QStringLiteral("no menu bar"));
            return 0;
        }
        const auto shown = [](const QAction* action) {
            return QString(action->text())
                .remove(QRegularExpression(QStringLiteral("&(?!&)")))
                .replace(QStringLiteral("&&"), QStringLiteral("&"));
        };
        QJsonArray menus;
        for (const QAction* title : bar->actions()) {
            if (!title->menu())
                continue;
            emit title->menu()->aboutToShow();
            QJsonArray items;
            for (const QAction* action : title->menu()->actions()) {
                if (!action->isSeparator())
                    items.append(shown(action));
            }
            menus.append(QJsonObject{{QStringLiteral("title"), shown(title)},
                                     {QStringLiteral("items"), items}});
        }
        printEvent(
            {{QStringLiteral("event"), QStringLiteral("menus")}, {QStringLiteral("menus"), menus}});
        return 0;
    });
    // "click thumbnail N" joins the clicks on other windows.
    const StepHandler otherClicks = handlers.value(QStringLiteral("click"));
    registerStep(QStringLiteral("click"), [this, otherClicks](const QString& argument) {
        if (argument.section(QLatin1Char(' '), 0, 0) != QLatin1String("thumbnail") && otherClicks)
            return otherClicks(argument);
        const QString step = QStringLiteral("click ") + argument;
        PresenterView* view = controller.presenterView();
        bool ok = false;
        const qint64 index = argument.section(QLatin1Char(' '), 1).toLongLong(&ok);
        if (!ok || !view) {
            printError(step, QStringLiteral("needs \"thumbnail N\""));
            return 0;
        }
        ThumbnailSidebar* sidebar = view->sidebar;
        const int columns = sidebar->columns();
        if (!sidebar->isVisible() || index < 0 || index >= controller.deck().pageCount) {
            printError(step, QStringLiteral("no such thumbnail on screen"));
            return 0;
        }
        const int row = int(index / columns);
        sidebar->list->ensureRowVisible(row);
        const ThumbRow* rowView = sidebar->list->rowWidget(row);
        if (!rowView) {
            printError(step, QStringLiteral("the thumbnail's row is not on screen"));
            return 0;
        }
        SlideView* thumbnail = rowView->slideViews().at(index % columns);
        click(thumbnail, thumbnail->rect().center());
        return 0;
    });
}
