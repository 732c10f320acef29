// The output-screen choice, the chooser's items and caption over lists of screens, and the
// coalesced screen-change notification.
#include "app/OutputScreens.h"
#include "support/TestSupport.h"

#include <QScreen>

using namespace OutputScreens;

namespace {

ScreenInfo screen(const QString& name, int x, int width = 1920, int height = 1080,
                  bool primary = false, const QString& connector = QString()) {
    return {name, QRect(x, 0, width, height), QRect(x, 30, width, height - 30), primary, connector};
}

// Two displays that report the same model name, as virtual monitors and identical projectors do.
QList<ScreenInfo> twins(int secondWidth = 1920) {
    return tellApart(
        {screen(QStringLiteral("Twin"), 0, 1920, 1080, false, QStringLiteral("DP-1")),
         screen(QStringLiteral("Twin"), 1920, secondWidth, 1080, false, QStringLiteral("DP-2"))});
}

const QList<ScreenInfo> laptopAndBeamer{screen(QStringLiteral("LAPTOP"), 0, 1920, 1080, true),
                                        screen(QStringLiteral("BEAMER"), 1920)};

} // namespace

class TestOutputScreens : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(TestSupport::useGerman()); }

    void choice_data() {
        QTest::addColumn<QList<ScreenInfo>>("screens");
        QTest::addColumn<int>("windowScreen");
        QTest::addColumn<QString>("setting");
        QTest::addColumn<int>("expectedScreen");
        QTest::addColumn<bool>("expectedWindowed");

        const QList<ScreenInfo> beamerPrimary{
            screen(QStringLiteral("LAPTOP"), 0),
            screen(QStringLiteral("BEAMER"), 1920, 1920, 1080, true)};
        const QList<ScreenInfo> twinsAndLaptop =
            twins() + QList<ScreenInfo>{screen(QStringLiteral("LAPTOP"), 3840, 1440, 900, true)};

        QTest::newRow("two displays, automatic: the one without the presenter")
            << laptopAndBeamer << 0 << QString() << 1 << false;
        QTest::newRow("presenter on the second display: the first")
            << laptopAndBeamer << 1 << QString() << 0 << false;
        QTest::newRow("automatic avoids the presenter even on the main display")
            << beamerPrimary << 0 << QString() << 1 << false;
        QTest::newRow("saved display is used, even the presenter's own")
            << laptopAndBeamer << 0 << QStringLiteral("LAPTOP 1920x1080") << 0 << false;
        QTest::newRow("identical displays are told apart by their connectors")
            << twinsAndLaptop << 2 << QStringLiteral("DP-2 1920x1080") << 1 << false;
        QTest::newRow("saved display at another resolution: automatic")
            << laptopAndBeamer << 1 << QStringLiteral("BEAMER 1280x720") << 0 << false;
        QTest::newRow("one display: a window of its own beside the console")
            << laptopAndBeamer.mid(0, 1) << 0 << QString() << 0 << true;
        QTest::newRow("one display chosen by name: full screen over the console")
            << laptopAndBeamer.mid(0, 1) << 0 << QStringLiteral("LAPTOP 1920x1080") << 0 << false;
        QTest::newRow("test window on the presenter's display")
            << laptopAndBeamer << 1 << testWindowedChoice << 1 << true;
        QTest::newRow("presenter window without a screen: the primary holds it")
            << beamerPrimary << -1 << QString() << 0 << false;
        QTest::newRow("no screens at all") << QList<ScreenInfo>() << -1 << QString() << -1 << false;
    }
    void choice() {
        QFETCH(QList<ScreenInfo>, screens);
        QFETCH(int, windowScreen);
        QFETCH(QString, setting);
        const Choice chosen =
            outputScreen(setting, screens, presenterScreen(windowScreen, screens));
        QTEST(chosen.screen, "expectedScreen");
        QTEST(chosen.windowed, "expectedWindowed");
    }

    void chooser_data() {
        QTest::addColumn<QList<ScreenInfo>>("screens");
        QTest::addColumn<int>("windowScreen");
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("caption");

        const QString automatic = QStringLiteral("Automatisch (zweiter Bildschirm)");
        const QString testWindow = QStringLiteral("Testfenster (kein Vollbild)");
        const QString laptop = QStringLiteral("LAPTOP (1920×1080)");
        const QString beamer = QStringLiteral("BEAMER (1920×1080)");
        const QString mark = QStringLiteral(" – Vollbild auf diesem Bildschirm");

        QTest::newRow("the presenter mark follows the window")
            << laptopAndBeamer << 1 << QString()
            << QStringList{automatic, laptop, beamer + mark, testWindow} << 0
            << QStringLiteral("Ausgabe auf: LAPTOP");
        QTest::newRow("saved display selected")
            << laptopAndBeamer << 0 << QStringLiteral("BEAMER 1920x1080")
            << QStringList{automatic, laptop + mark, beamer, testWindow} << 2
            << QStringLiteral("Ausgabe auf: BEAMER");
        QTest::newRow("saved display absent shows Automatisch: a window of its own")
            << laptopAndBeamer.mid(0, 1) << 0 << QStringLiteral("BEAMER 1920x1080")
            << QStringList{automatic, laptop + mark, testWindow} << 0
            << QStringLiteral("Ausgabe auf: eigenes Fenster");
        QTest::newRow("full screen over the only display warns")
            << laptopAndBeamer.mid(0, 1) << 0 << QStringLiteral("LAPTOP 1920x1080")
            << QStringList{automatic, laptop + mark, testWindow} << 1
            << QStringLiteral("Ausgabe auf: LAPTOP  (nur 1 Bildschirm!)");
        QTest::newRow("the test window")
            << laptopAndBeamer << 0 << testWindowedChoice
            << QStringList{automatic, laptop + mark, beamer, testWindow} << 3
            << QStringLiteral("Ausgabe auf: Testfenster");
        QTest::newRow("displays sharing a name show connector and size")
            << twins(1280) << 0 << QStringLiteral("DP-2 1280x1080")
            << QStringList{automatic, QStringLiteral("DP-1 · 1920×1080") + mark,
                           QStringLiteral("DP-2 · 1280×1080"), testWindow}
            << 2 << QStringLiteral("Ausgabe auf: DP-2");
    }
    void chooser() {
        QFETCH(QList<ScreenInfo>, screens);
        QFETCH(int, windowScreen);
        QFETCH(QString, setting);
        QFETCH(QString, caption);
        const int presenter = presenterScreen(windowScreen, screens);
        const QList<ChooserItem> items = chooserItems(screens, presenter);
        QStringList shown;
        for (const ChooserItem& item : items)
            shown.append(item.title);
        QTEST(shown, "titles");
        QCOMPARE(items.first().value, QString());
        QCOMPARE(items.last().value, testWindowedChoice);
        QTEST(selectedItem(items, setting), "selected");
        QCOMPARE(
            OutputScreens::caption(outputScreen(setting, screens, presenter), screens, setting),
            caption);
    }

    // The audience window of its own: beside the console where there is room, else over the
    // console's current slide, else in the screen's corner; never past the screen.
    void windowFrame_data() {
        QTest::addColumn<QRect>("console");
        QTest::addColumn<QRect>("currentSlide");
        QTest::addColumn<double>("aspect");
        QTest::addColumn<QRect>("expected");
        const QRect noSlide;
        QTest::newRow("room to the right")
            << QRect(0, 0, 1000, 800) << noSlide << 16.0 / 9 << QRect(1016, 290, 888, 500);
        QTest::newRow("more room to the left, at most 960 wide")
            << QRect(1000, 0, 920, 800) << noSlide << 16.0 / 9 << QRect(24, 270, 960, 540);
        QTest::newRow("no room: over the console's current slide")
            << QRect(0, 0, 1920, 1080) << QRect(200, 100, 1000, 562) << 16.0 / 9
            << QRect(220, 111, 960, 540);
        QTest::newRow("no room and no slide shown: the lower right corner")
            << QRect(0, 0, 1920, 1080) << noSlide << 16.0 / 9 << QRect(1264, 704, 640, 360);
        QTest::newRow("a portrait deck fits the height")
            << QRect(0, 0, 1000, 1080) << noSlide << 0.75 << QRect(1016, 16, 786, 1048);
        QTest::newRow("a console on another screen: the corner")
            << QRect(3000, 0, 1400, 800) << noSlide << 16.0 / 9 << QRect(1264, 704, 640, 360);
    }
    void windowFrame() {
        QFETCH(QRect, console);
        QFETCH(QRect, currentSlide);
        QFETCH(double, aspect);
        const QRect available(0, 0, 1920, 1080);
        const QRect frame = OutputScreens::windowFrame(available, console, currentSlide, aspect);
        QTEST(frame, "expected");
        QVERIFY(available.contains(frame));
    }

    // Several changes in one turn of the event loop give one notification, after that turn.
    void changesAreCoalesced() {
        ChangeNotifier notifier;
        QSignalSpy notified(&notifier, &ChangeNotifier::screensChanged);
        notifier.noteChange();
        notifier.noteChange();
        notifier.noteChange();
        QCOMPARE(notified.count(), 0);
        QTRY_COMPARE(notified.count(), 1);
        QTest::qWait(20);
        QCOMPARE(notified.count(), 1);
        notifier.noteChange();
        QTRY_COMPARE(notified.count(), 2);
    }

    // The offscreen platform here has two screens from a configuration file (see CMakeLists).
    void describesTheSystemScreens() {
        const QList<ScreenInfo> screens = describeAll();
        QCOMPARE(screens.size(), 2);
        QCOMPARE(screens.at(0).name, QStringLiteral("A-LAPTOP"));
        QCOMPARE(screens.at(0).geometry, QRect(0, 0, 1440, 900));
        QVERIFY(screens.at(0).primary);
        QCOMPARE(screens.at(1).name, QStringLiteral("B-BEAMER"));
        QCOMPARE(screens.at(1).geometry, QRect(1440, 0, 1920, 1080));
        QVERIFY(!screens.at(1).primary);
        QCOMPARE(indexOf(QGuiApplication::screens().at(1)), 1);
        QCOMPARE(indexOf(nullptr), -1);
    }
};

ORVL_TEST_MAIN(TestOutputScreens)
#include "tst_outputscreens.moc"
