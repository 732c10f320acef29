// The audience window: which screen it belongs on, showing it once its exact slide is drawn,
// following screens that come and go (and the Wayland rules for them), and bringing it back when
// the window manager takes it away mid-talk.
#pragma once

#include "app/OutputScreens.h"
#include "ui/audience/AudienceWindow.h"

#include <QObject>
#include <QPointer>
#include <QSize>

class Deck;
class QScreen;
class QWindow;
class SlideShow;

class AudienceController : public QObject {
    Q_OBJECT
public:
    AudienceController(Deck& deck, SlideShow& show, QObject* parent = nullptr);
    ~AudienceController() override;

    AudienceWindow* window() const { return audience; }
    // The console: its screen is avoided, and it takes the keys back whenever the audience
    // window appears.
    void setConsole(QWidget* window) { console = window; }
    // Follows screen changes from now on; the console is shown.
    void watchScreens();

    // Brings the projector's slide and blanking in line with the talk; first in every refresh,
    // so that its repaint reaches the display before the console's.
    void refresh();
    // The size each page is drawn at for the projector, on the screen it belongs on.
    QSize slidePixels() const;

    // The output-screen chooser: its items, the one selected and its caption.
    struct Chooser {
        QList<OutputScreens::ChooserItem> items;
        int selected = 0;
        QString caption;
    };
    Chooser chooser() const;
    // The speaker chose an item's value ("" for automatic).
    void choose(const QString& value);

    // Once per display tick: while presenting, an audience window that the window manager
    // minimised or unmapped is brought back.
    void keepOnScreen();
    // Presenting, shown, and yet not on screen.
    bool isOffScreen() const;
    bool isExposed() const;
    // What the status line says of the projector: its output went away; empty when all is well.
    QString notice() const;
    // The warning that the audience sees nothing (shown, yet not on screen); empty otherwise. It
    // is remembered, so that the watchdog asks for a refresh once it no longer holds.
    QString warning();

signals:
    // +1 for a left click on the audience window, -1 for a right one.
    void stepRequested(int step);
    // The screens changed: the chooser's items and the status line may differ.
    void screensChanged();
    // The warning() given last no longer holds.
    void exposureChanged();

private:
    void presentingChanged(bool presenting);
    // The screen the audience window belongs on, and whether as the test window.
    std::pair<QScreen*, bool> outputScreen() const;
    // The audience window's title in either mode; it names the mode.
    QString title(bool windowed) const;
    // Where a window of its own goes on the screen: where the speaker left it, else beside the
    // console or over a corner of it.
    QRect windowFrame(QScreen* screen) const;
    void place(QScreen* screen, bool windowed);
    // Places the window by the chooser's rules and gives the keys back to the console.
    void show();
    // Shows the window once its exact slide image is drawn (black if that takes long).
    void showWhenReady();
    void giveKeysToConsole();
    void screensChangedNow();
    void screenRemoved(QScreen* screen);
    void focusWindowChanged(QWindow* window);

    Deck& deck;
    SlideShow& slideShow;
    QPointer<AudienceWindow> audience;
    QPointer<QWidget> console;
    OutputScreens::ChangeNotifier* screenChanges = nullptr;
    // Counts attempts to show the window, so a late or repeated answer shows nothing.
    quint64 showing = 0;
    // The output went away mid-talk and the window waits hidden for one.
    bool lostOutput = false;
    // Display ticks the window has been off screen while presenting; negative while a restore
    // settles.
    int hiddenTicks = 0;
    bool warned = false;
};
