// The application controller: owns the deck and every window, answers every command.
#pragma once

#include "app/DisplaySleepInhibitor.h"
#include "document/Presentation.h"

#include <QDateTime>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <optional>

class Automation;
class QWidget;
class SlideView;

class AppDelegate : public QObject {
    Q_OBJECT
public:
    AppDelegate();
    ~AppDelegate() override;

    // Start-up, once the event loop runs.
    void applicationDidFinishLaunching();
    // Files handed over by the system or the command line; the first PDF wins.
    void applicationOpen(const QList<QUrl>& urls);

    bool open(const QUrl& url);
    void openDocument();
    void refresh();
    void startPresentation();
    void stopPresentation();
    void togglePresentation();
    void startFromBeginning();

    void nextSlide();
    void previousSlide();
    void goToSlide(qint64 index);

    Presentation& deck() { return presentation; }
    const QString& currentJumpBuffer() const { return jumpBuffer; }

    // A modal alert with one default button; printed and answered at once under automation.
    void showAlert(const QString& message, const QString& informative);

    // For the automation steps.
    QJsonObject stateSnapshot() const;
    QWidget* windowForAutomation(const QString& which) const;
    static QUrl urlFromArgument(const QString& argument);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Start-up steps whose pieces arrive with later work; they do nothing yet.
    void buildMenuBar() {}
    void rebuildScreenPopup() {}
    void installKeyMonitor() {}
    void subscribeToScreenChanges() {}
    void startDisplayTimer() {}
    void startTimers() {}
    void tick() {}

    void createPresenterWindow();
    QWidget* audienceWindow();
    SlideView* audienceSlideView();
    void placeAudienceWindow();
    void updateTitle();
    void resetTimer();
    void startAutomationIfConfigured();

    Presentation presentation;
    QPointer<QWidget> presenter;
    SlideView* presenterSlideView = nullptr;
    QPointer<QWidget> audience;
    SlideView* audienceView = nullptr;
    QString jumpBuffer;
    DisplaySleepInhibitor sleepActivity;
    std::optional<QDateTime> timerStart;
    double timerAccumulated = 0;
    std::optional<QUrl> pendingOpen;
    const QString testWindowedChoice = QStringLiteral("__window__");
    Automation* automation = nullptr;
};
