// The audience window: full screen on the chosen display without taking the keys, the test
// window, clicks as slide steps and the hidden pointer.
#include "document/Deck.h"
#include "support/TestSupport.h"
#include "ui/audience/AudienceWindow.h"
#include "ui/common/SlideView.h"

#include <QScreen>

class TestAudienceWindow : public QObject {
    Q_OBJECT

    QScreen* beamer() const { return QGuiApplication::screens().value(1); }

private slots:
    void initTestCase() { QCOMPARE(QGuiApplication::screens().size(), 2); }

    // Full screen covers the whole display and refuses the keys; the test window is framed,
    // focusable and centred; back to full screen on the same display.
    void fullScreenAndTestWindow() {
        Deck deck;
        AudienceWindow window(&deck);
        window.placeFullScreen(beamer());
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.geometry(), beamer()->geometry());
        QCOMPARE(window.screen(), beamer());
        QVERIFY(!window.windowed);
        const auto flags = [&] { return window.windowFlags(); };
        QVERIFY(flags() & Qt::WindowDoesNotAcceptFocus && flags() & Qt::FramelessWindowHint);
        QVERIFY(flags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(window.slide->geometry(), QRect(QPoint(), beamer()->geometry().size()));

        window.placeWindowed(beamer(), QStringLiteral("Publikum (Testfenster)"));
        QVERIFY(window.windowed);
        QVERIFY(!(flags() & Qt::WindowDoesNotAcceptFocus) && !(flags() & Qt::FramelessWindowHint));
        QCOMPARE(window.size(), QSize(960, 540));
        QCOMPARE(window.geometry().center(), beamer()->availableGeometry().center());
        const QImage grab = window.grab().toImage();
        QCOMPARE(grab.pixelColor(grab.width() / 2, grab.height() / 2), QColor(Qt::black));
        // A resized test window keeps the slide filling it.
        window.resize(700, 500);
        QCOMPARE(window.slide->size(), QSize(700, 500));

        window.placeFullScreen(beamer());
        QCOMPARE(window.geometry(), beamer()->geometry());
        QVERIFY(flags() & Qt::WindowDoesNotAcceptFocus);
    }

    void clicksAreSlideSteps_data() {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<QList<int>>("steps");
        QTest::newRow("left is next") << Qt::LeftButton << QList<int>{1};
        QTest::newRow("right is previous") << Qt::RightButton << QList<int>{-1};
        QTest::newRow("middle does nothing") << Qt::MiddleButton << QList<int>{};
    }
    void clicksAreSlideSteps() {
        QFETCH(Qt::MouseButton, button);
        Deck deck;
        AudienceWindow window(&deck);
        window.placeFullScreen(beamer());
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QList<int> seen;
        connect(&window, &AudienceWindow::stepRequested, this, [&seen](int step) { seen << step; });
        QTest::mouseClick(window.windowHandle(), button, {}, QPoint(300, 200));
        QTEST(seen, "steps");
    }

    void pointerIsHiddenOverTheSlide() {
        Deck deck;
        AudienceWindow window(&deck);
        QCOMPARE(window.content->cursor().shape(), Qt::BlankCursor);
        QCOMPARE(window.slide->cursor().shape(), Qt::BlankCursor);
    }
};

ORVL_TEST_MAIN(TestAudienceWindow)
#include "tst_audiencewindow.moc"
