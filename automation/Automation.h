// Drives the program from a file of steps, for tests that run the real binary without a person.
#pragma once

#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QStringList>
#include <functional>

class QWidget;

class Application;

class Automation : public QObject {
    Q_OBJECT
public:
    // A step's handler gets the rest of its line and returns how many milliseconds to wait
    // before the next step, or stopScript when it has ended the script itself or will go on with
    // it later.
    using StepHandler = std::function<int(const QString& argument)>;
    static constexpr int stopScript = -1;

    // Prints what the program offers and how it would relaunch, and runs the script once the
    // program has started.
    Automation(Application& app, const QString& scriptPath);

    void registerStep(const QString& name, StepHandler handler);

    // One JSON line on standard output, flushed at once.
    static void printEvent(const QJsonObject& event);
    static void printError(const QString& step, const QString& message);

private:
    void registerFoundationSteps();
    void registerConsoleSteps();
    void registerScreenSteps();
    void registerTimerSteps();
    // Reads the script; an error event and the end of the program when it cannot be read.
    void start();
    void runNextStep();
    // The window a step names: presenter, audience, ontime-setup, stagetimer-setup, pace-dialog.
    QWidget* windowNamed(const QString& which) const;
    void finish(int exitCode);

    Application& app;
    QString scriptPath;
    QStringList steps;
    qsizetype nextStep = 0;
    QHash<QString, StepHandler> handlers;
};
