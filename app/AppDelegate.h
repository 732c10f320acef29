// The application controller: owns the deck and every window, answers every command.
#pragma once

#include "app/DisplaySleepInhibitor.h"
#include "app/TalkTimer.h"
#include "document/Presentation.h"
#include "net/Clock.h"

#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <memory>
#include <optional>

class AudienceWindow;
class Automation;
class KeyMonitor;
class MenuBar;
class PresenterView;
class PresenterWindowController;
class QMenu;
class QScreen;
class QTimer;
class QWidget;

namespace OutputScreens {
class ChangeNotifier;
}

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
    void firstSlide();
    void lastSlide();
    void goToSlide(qint64 index);
    void toggleBlack();
    void toggleWhite();

    void toggleTimerPause();
    void resetTimer();

    Presentation& deck() { return presentation; }
    const QString& currentJumpBuffer() const { return jumpBuffer; }

    // A modal alert with one default button; printed and answered at once under automation.
    void showAlert(const QString& message, const QString& informative);

    // For the automation steps.
    QJsonObject stateSnapshot() const;
    QWidget* windowForAutomation(const QString& which) const;
    // A click on the audience window: +1 for the left button, -1 for the right one.
    void audienceClicked(int step);
    PresenterView* presenterView() const;
    MenuBar* menus() const;
    // The output-screen chooser's item `index` was chosen.
    void screenChosen(int index);
    // The screens, the chooser's items, its selection and caption.
    QJsonObject screensSnapshot() const;
    static QUrl urlFromArgument(const QString& argument);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Start-up steps whose pieces arrive with later work; they do nothing yet.
    void startTimers() {}

    void buildMenuBar();
    void fillOntimeMenu(QMenu* menu);
    void rebuildScreenPopup();
    void subscribeToScreenChanges();
    void screensChanged();
    // The screen the audience window belongs on, and whether as the test window.
    std::pair<QScreen*, bool> outputScreen() const;
    void placeAudienceWindow(QScreen* screen, bool windowed);

    void createPresenterWindow();
    void installKeyMonitor();
    void startDisplayTimer();
    void tick();
    QWidget* presenterWindow() const;
    AudienceWindow* audienceWindow();
    void updateTitle();
    void startAutomationIfConfigured();

    // What the key monitor reads and drives.
    class Keys;

    Presentation presentation;
    std::unique_ptr<PresenterWindowController> presenter;
    QPointer<AudienceWindow> audience;
    std::unique_ptr<Keys> keys;
    std::unique_ptr<KeyMonitor> keyMonitor;
    QString jumpBuffer;
    QTimer* ticker = nullptr;
    DisplaySleepInhibitor sleepActivity;
    SystemClock clock;
    // The talk timer's timerStart and timerAccumulated.
    TalkTimer talkTimer{clock};
    std::optional<QUrl> pendingOpen;
    // Built before the presenter window, which then takes it over.
    QPointer<MenuBar> menuBar;
    OutputScreens::ChangeNotifier* screenChanges = nullptr;
    Automation* automation = nullptr;
};
