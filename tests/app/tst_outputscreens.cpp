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
        QTest::newRow("one display: full screen over the presenter's own")
            << laptopAndBeamer.mid(0, 1) << 0 << QString() << 0 << false;
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
        const QString mark = QStringLiteral(" – Presenter");

        QTest::newRow("the presenter mark follows the window")
            << laptopAndBeamer << 1 << QString()
            << QStringList{automatic, laptop, beamer + mark, testWindow} << 0
            << QStringLiteral("Ausgabe auf: LAPTOP");
        QTest::newRow("saved display selected")
            << laptopAndBeamer << 0 << QStringLiteral("BEAMER 1920x1080")
            << QStringList{automatic, laptop + mark, beamer, testWindow} << 2
            << QStringLiteral("Ausgabe auf: BEAMER");
        QTest::newRow("saved display absent shows Automatisch")
            << laptopAndBeamer.mid(0, 1) << 0 << QStringLiteral("BEAMER 1920x1080")
            << QStringList{automatic, laptop + mark, testWindow} << 0
            << QStringLiteral("Ausgabe auf: LAPTOP  (nur 1 Bildschirm!)");
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
        QCOMPARE(OutputScreens::caption(outputScreen(setting, screens, presenter), screens),
                 caption);
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
