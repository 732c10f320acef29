#include "automation/Automation.h"

#include "app/Application.h"
#include "automation/KeyNotation.h"
#include "automation/StateSnapshot.h"
#include "base/L10n.h"
#include "ui/audience/AudienceWindow.h"
#include "ui/console/PresenterWindow.h"
#include "ui/dialogs/PaceDialog.h"

#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <QTimer>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cstdio>

// Qt's own test library delivers mouse clicks through this entry point, the path a real
// pointer takes.
Q_GUI_EXPORT void qt_handleMouseEvent(QWindow* window, const QPointF& local, const QPointF& global,
                                      Qt::MouseButtons state, Qt::MouseButton button,
                                      QEvent::Type type, Qt::KeyboardModifiers modifiers,
                                      int timestamp);

namespace {

// Presses and releases a mouse button in the middle of a window.
void clickCentre(QWindow* window, Qt::MouseButton button) {
    const QPointer<QWindow> target(window);
    const QPointF local(window->width() / 2.0, window->height() / 2.0);
    const QPointF global = window->mapToGlobal(local);
    qt_handleMouseEvent(target, local, global, button, button, QEvent::MouseButtonPress, {}, 0);
    if (target)
        qt_handleMouseEvent(target, local, global, {}, button, QEvent::MouseButtonRelease, {}, 1);
}

std::optional<qint64> parseInteger(const QString& text) {
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

} // namespace

Automation::Automation(Application& app, const QString& scriptPath)
    : QObject(&app), app(app), scriptPath(scriptPath) {
    registerFoundationSteps();
    registerConsoleSteps();
    registerScreenSteps();
    registerTimerSteps();
    app.relaunch = [](const QStringList& arguments) {
        printEvent({{QStringLiteral("event"), QStringLiteral("relaunch")},
                    {QStringLiteral("arguments"), QJsonArray::fromStringList(arguments)}});
        QCoreApplication::quit();
    };
    connect(&app.timers(), &ExternalTimers::offerHeld, this, [](int choices) {
        printEvent({{QStringLiteral("event"), QStringLiteral("offer-held")},
                    {QStringLiteral("choices"), choices}});
    });
    connect(&app.timers(), &ExternalTimers::choiceOffered, this,
            [](const QStringList& titles, int selected) {
                printEvent({{QStringLiteral("event"), QStringLiteral("sheet")},
                            {QStringLiteral("message"), L10n::lookup("Timer gefunden")},
                            {QStringLiteral("choices"), QJsonArray::fromStringList(titles)},
                            {QStringLiteral("selected"), selected}});
            });
    connect(&app, &Application::started, this, &Automation::start);
}

void Automation::printEvent(const QJsonObject& event) {
    const QByteArray line = QJsonDocument(event).toJson(QJsonDocument::Compact) + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
}

void Automation::printError(const QString& step, const QString& message) {
    printEvent({{QStringLiteral("event"), QStringLiteral("error")},
                {QStringLiteral("step"), step},
                {QStringLiteral("message"), message}});
}

void Automation::registerStep(const QString& name, StepHandler handler) {
    handlers.insert(name, std::move(handler));
}

void Automation::start() {
    QFile file(scriptPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        printError(QStringLiteral("script"), QStringLiteral("cannot read ") + scriptPath);
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(2); });
        return;
    }
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        const QString step = line.trimmed();
        if (!step.isEmpty() && !step.startsWith(QLatin1Char('#')))
            steps.append(step);
    }
    QTimer::singleShot(0, this, &Automation::runNextStep);
}

void Automation::runNextStep() {
    if (nextStep >= steps.size())
        return;
    const QString step = steps.at(nextStep++);
    const qsizetype space = step.indexOf(QLatin1Char(' '));
    const QString name = space < 0 ? step : step.left(space);
    const QString argument = space < 0 ? QString() : step.mid(space + 1).trimmed();
    const auto handler = handlers.constFind(name);
    if (handler == handlers.constEnd()) {
        printError(step, QStringLiteral("unknown step"));
        finish(2);
        return;
    }
    const int delayMs = (*handler)(argument);
    if (delayMs == stopScript)
        return;
    QTimer::singleShot(delayMs, this, &Automation::runNextStep);
}

void Automation::finish(int exitCode) {
    QTimer::singleShot(0, qApp, [exitCode] { QCoreApplication::exit(exitCode); });
}

QWidget* Automation::windowNamed(const QString& which) const {
    if (which == QLatin1String("presenter"))
        return app.console();
    if (which == QLatin1String("audience"))
        return app.audience().window();
    if (which == QLatin1String("ontime-setup"))
        return app.timers().setupWindow(true);
    if (which == QLatin1String("stagetimer-setup"))
        return app.timers().setupWindow(false);
    if (which == QLatin1String("pace-dialog"))
        return app.paceDialog();
    return nullptr;
}

void Automation::registerFoundationSteps() {
    // The script goes on once the deck is open or its failure has been told, as a speaker would.
    registerStep(QStringLiteral("open"), [this](const QString& path) {
        app.decks().open(Application::urlFromArgument(path));
        app.decks().whenLoaded([self = QPointer<Automation>(this)] {
            if (self)
                QTimer::singleShot(0, self, &Automation::runNextStep);
        });
        return stopScript;
    });
    registerStep(QStringLiteral("present"), [this](const QString&) {
        app.slideShow().start();
        return 0;
    });
    registerStep(QStringLiteral("stop"), [this](const QString&) {
        app.slideShow().stop();
        return 0;
    });
    registerStep(QStringLiteral("next"), [this](const QString&) {
        app.actions().trigger(Actions::Id::next);
        return 0;
    });
    // "Datei › Mit Zeichnungen exportieren", as the menu gives it.
    registerStep(QStringLiteral("export-drawings"), [this](const QString&) {
        app.actions().trigger(Actions::Id::exportDrawings);
        return 0;
    });
    registerStep(QStringLiteral("prev"), [this](const QString&) {
        app.actions().trigger(Actions::Id::previous);
        return 0;
    });
    registerStep(QStringLiteral("goto"), [this](const QString& argument) {
        const auto index = parseInteger(argument);
        if (!index) {
            printError(QStringLiteral("goto ") + argument, QStringLiteral("needs a slide index"));
            return 0;
        }
        app.slideShow().goTo(*index);
        return 0;
    });
    registerStep(QStringLiteral("wait"), [](const QString& argument) {
        return int(std::clamp<qint64>(parseInteger(argument).value_or(0), 0, 600000));
    });
    registerStep(QStringLiteral("state"), [this](const QString&) {
        QJsonObject state = StateSnapshot::state(app);
        state.insert(QStringLiteral("event"), QStringLiteral("state"));
        printEvent(state);
        return 0;
    });
    registerStep(QStringLiteral("grab"), [this](const QString& argument) {
        const QString which = argument.section(QLatin1Char(' '), 0, 0);
        const QString path = argument.section(QLatin1Char(' '), 1).trimmed();
        QWidget* window = windowNamed(which);
        if (!window || path.isEmpty()) {
            printError(QStringLiteral("grab ") + argument,
                       QStringLiteral("needs presenter|audience FILE.png"));
            return 0;
        }
        // grab() renders at the window's device pixel ratio, so the file holds device pixels.
        if (!window->grab().toImage().save(path, "PNG"))
            printError(QStringLiteral("grab ") + argument, QStringLiteral("cannot write ") + path);
        return 0;
    });
    registerStep(QStringLiteral("quit"), [this](const QString&) {
        finish(0);
        return stopScript;
    });
}

void Automation::registerConsoleSteps() {
    // The deck's recorded runs: kind, start and seconds per slide.
    registerStep(QStringLiteral("timings"), [this](const QString&) {
        TalkTimings& timings = app.timings();
        printEvent({{QStringLiteral("event"), QStringLiteral("timings")},
                    {QStringLiteral("runs"), timings.store().summary(timings.deckPath())}});
        return 0;
    });
    // The last run becomes the deck's plan per slide.
    registerStep(QStringLiteral("adopt-plan"), [this](const QString&) {
        TalkTimings& timings = app.timings();
        if (!timings.store().adoptLastRun(timings.deckPath(), timings.slideCount()))
            printError(QStringLiteral("adopt-plan"), QStringLiteral("no run to adopt"));
        return 0;
    });
    // "pace-dialog 25", "pace-dialog 14:30 2" or "pace-dialog none": fills the open
    // "Vortragsdauer" dialog (length or end time, last minutes) and presses its button.
    registerStep(QStringLiteral("pace-dialog"), [this](const QString& argument) {
        PaceDialog* dialog = app.paceDialog();
        const QString plan = argument.section(QLatin1Char(' '), 0, 0);
        const QString last = argument.section(QLatin1Char(' '), 1).trimmed();
        const std::optional<int> minutes = PaceTarget::parseLength(plan);
        const std::optional<QTime> end = PaceTarget::parseEndTime(plan);
        const std::optional<qint64> lastMinutes =
            last.isEmpty() ? std::optional<qint64>(PaceTarget::defaultLastMinutes)
                           : parseInteger(last);
        if (!dialog || !(minutes || end || plan == QLatin1String("none")) || !lastMinutes) {
            printError(QStringLiteral("pace-dialog ") + argument,
                       QStringLiteral("needs the open dialog and MINUTES|HH:MM|none [LAST]"));
            return 0;
        }
        if (minutes) {
            dialog->lengthButton->setChecked(true);
            dialog->lengthField->setValue(*minutes);
        } else if (end) {
            dialog->endButton->setChecked(true);
            dialog->endField->setTime(*end);
        } else {
            dialog->noneButton->setChecked(true);
        }
        dialog->lastMinutesField->setValue(int(*lastMinutes));
        for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
            if (button->isDefault())
                button->click();
        }
        return 0;
    });
    registerStep(QStringLiteral("key"), [this](const QString& notation) {
        const std::optional<KeyStroke> stroke = KeyNotation::parse(notation);
        if (!stroke) {
            printError(QStringLiteral("key ") + notation, QStringLiteral("unknown key name"));
            return 0;
        }
        // Keys go where the keyboard would send them: the window that has the focus.
        QWindow* window = QGuiApplication::focusWindow();
        if (!window) {
            QWidget* presenter = app.console();
            window = presenter ? presenter->windowHandle() : nullptr;
        }
        if (!window) {
            printError(QStringLiteral("key ") + notation, QStringLiteral("no window takes keys"));
            return 0;
        }
        KeyNotation::type(window, *stroke);
        return 0;
    });
    // "wheel currentSlide -120 -40": the wheel turned over the middle of a part of the console
    // (currentSlide, nextSlide, notes, thumbnails), one event per turn in eighths of a degree,
    // given to what lies there as a pointer's would be.
    registerStep(QStringLiteral("wheel"), [this](const QString& argument) {
        QStringList words = argument.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QWidget* part = words.isEmpty() || !app.console()
                            ? nullptr
                            : app.console()->findChild<QWidget*>(words.takeFirst());
        QList<int> turns;
        for (const QString& word : std::as_const(words)) {
            if (const std::optional<qint64> turn = parseInteger(word))
                turns.append(int(std::clamp<qint64>(*turn, -100000, 100000)));
        }
        if (!part || !part->isVisible() || turns.isEmpty() || turns.size() != words.size()) {
            printError(QStringLiteral("wheel ") + argument,
                       QStringLiteral("needs a shown part of the console and turns"));
            return 0;
        }
        const QPoint centre = part->rect().center();
        QWidget* under = part->childAt(centre);
        const QPointer<QWidget> target(under ? under : part);
        for (const int turn : std::as_const(turns)) {
            // Qt passes an ignored wheel on to the parents only when it came from the window
            // system; a pointer's would, so this one does too.
            for (QPointer<QWidget> receiver = target; receiver;) {
                const QPointF at =
                    receiver->mapFrom(part->window(), part->mapTo(part->window(), centre));
                QWheelEvent event(at, receiver->mapToGlobal(at), QPoint(), QPoint(0, turn),
                                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
                QApplication::sendEvent(receiver, &event);
                if (event.isAccepted() || !receiver || receiver->isWindow() ||
                    receiver->testAttribute(Qt::WA_NoMousePropagation))
                    break;
                receiver = receiver->parentWidget();
            }
        }
        return 0;
    });
    registerStep(QStringLiteral("click"), [this](const QString& argument) {
        const QString which = argument.section(QLatin1Char(' '), 0, 0);
        const QString side = argument.section(QLatin1Char(' '), 1).trimmed();
        QWidget* window = windowNamed(which);
        const bool left = side == QLatin1String("left");
        if (!window || !window->isVisible() || !window->windowHandle() ||
            (!left && side != QLatin1String("right"))) {
            printError(QStringLiteral("click ") + argument,
                       QStringLiteral("needs a shown window and left|right"));
            return 0;
        }
        clickCentre(window->windowHandle(), left ? Qt::LeftButton : Qt::RightButton);
        return 0;
    });
}
