// Which screen the audience window belongs on, the output-screen chooser's items and caption,
// and one notification per change of the screen configuration.
#pragma once

#include <QList>
#include <QObject>
#include <QRect>
#include <QString>

class QScreen;

namespace OutputScreens {

// The setting value that means the movable test window instead of a screen.
inline const QString testWindowedChoice = QStringLiteral("__window__");
inline const QString settingKey = QStringLiteral("outputScreen");

// What the choice needs to know of one screen; a list of these in system order stands for the
// system's screen list.
struct ScreenInfo {
    QString name;    // model name where the system reports one, else the connector name
    QRect geometry;  // the whole frame
    QRect available; // without panels and docks
    bool primary = false;
    QString connector;       // the output's own name, different for every output
    bool sharedName = false; // another screen had the same model name
};

ScreenInfo describe(const QScreen* screen);
// Every system screen, the ones that share a name then named by their connector.
QList<ScreenInfo> describeAll();
// Screens whose names are equal are renamed after their connectors (virtual and identical
// displays report one model name, or none, for all of them).
QList<ScreenInfo> tellApart(QList<ScreenInfo> screens);
// The name of the system's screen as describeAll() gives it; empty for none.
QString nameOf(const QScreen* screen);
// The system's screen as a ScreenInfo's index, -1 when it is not in the list.
int indexOf(const QScreen* screen);

// "Name WIDTHxHEIGHT": equal for identical displays, changes with the resolution.
QString identifier(const ScreenInfo& screen);
// "Name (WIDTH×HEIGHT)", or "connector · WIDTH×HEIGHT" for a screen that shared its name; the
// screen holding the presenter window says that choosing it puts the audience over it.
QString itemTitle(const ScreenInfo& screen, bool holdsPresenter);

// The screen holding the presenter window, else the primary screen, else the first; -1 for none.
int presenterScreen(int windowScreen, const QList<ScreenInfo>& screens);

struct Choice {
    int screen = -1; // index into the screen list, -1 when there is no screen at all
    bool windowed = false;
    friend bool operator==(const Choice&, const Choice&) = default;
};

// The test window on the presenter's screen, else the first screen whose identifier (or name)
// is the setting, else the first screen that is not the presenter's, else a window of its own on
// the presenter's screen: the console stays in sight.
Choice outputScreen(const QString& setting, const QList<ScreenInfo>& screens, int presenter);

// Where the audience window opens on the screen area `available` beside the console's `console`
// frame: in the wider free strip beside it where that is wide enough, else over `over` (the
// console's current slide, which it repeats), else over the screen's lower right corner; at most
// 960 wide, of the slide's `aspect`.
QRect windowFrame(const QRect& available, const QRect& console, const QRect& over, double aspect);

struct ChooserItem {
    QString title;
    QString value;
    friend bool operator==(const ChooserItem&, const ChooserItem&) = default;
};

// "Automatisch", one item per screen in system order, then the test window.
QList<ChooserItem> chooserItems(const QList<ScreenInfo>& screens, int presenter);
// The first item whose value is the setting, else the first item.
int selectedItem(const QList<ChooserItem>& items, const QString& setting);
// "Ausgabe auf: …", warning when the audience covers the only screen.
QString caption(const Choice& choice, const QList<ScreenInfo>& screens, const QString& setting);

// Turns every change of the screen list, the primary screen or a screen's geometry into one
// screensChanged() per event-loop turn, after Qt has finished updating its screen list.
class ChangeNotifier : public QObject {
    Q_OBJECT
public:
    explicit ChangeNotifier(QObject* parent = nullptr);

    // Notes one change; the signal follows once the current event has been handled.
    void noteChange();

signals:
    void screensChanged();

private:
    void watch(QScreen* screen);

    bool pending = false;
};

} // namespace OutputScreens
