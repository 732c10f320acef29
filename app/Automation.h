// Drives the program from a file of steps, for tests that run the real binary without a person.
#pragma once

#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QStringList>
#include <functional>

class AppDelegate;

class Automation : public QObject {
    Q_OBJECT
public:
    // A step's handler gets the rest of its line and returns how many milliseconds to wait
    // before the next step, or stopScript when it has ended the script itself or will go on with
    // it later.
    using StepHandler = std::function<int(const QString& argument)>;
    static constexpr int stopScript = -1;

    Automation(AppDelegate& controller, const QString& scriptPath);

    // Reads the script; false (with an error event printed) when it cannot be read.
    bool start();
    void registerStep(const QString& name, StepHandler handler);

    // True while a script runs: alerts then print themselves and answer with their default button.
    static bool isActive();
    // One JSON line on standard output, flushed at once.
    static void printEvent(const QJsonObject& event);
    static void printError(const QString& step, const QString& message);

private:
    void registerFoundationSteps();
    void registerConsoleSteps();
    void registerScreenSteps();
    void registerTimerSteps();
    void runNextStep();
    void finish(int exitCode);

    AppDelegate& controller;
    QString scriptPath;
    QStringList steps;
    qsizetype nextStep = 0;
    QHash<QString, StepHandler> handlers;
};
