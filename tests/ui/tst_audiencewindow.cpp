// The audience window: full screen on the chosen display without taking the keys, the window of
// its own, clicks as slide steps and the hidden pointer.
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

    // Full screen covers the whole display and refuses the keys; the window of its own is framed,
    // at the frame asked for, never on top and never taking the keys either, and remembers where
    // the speaker leaves it; back to full screen on the same display.
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

        const QRect frame(beamer()->geometry().topLeft() + QPoint(100, 80), QSize(960, 540));
        window.placeWindowed(beamer(), QStringLiteral("Publikum"), frame);
        QVERIFY(window.windowed);
        QCOMPARE(window.windowTitle(), QStringLiteral("Publikum"));
        QVERIFY(!(flags() & Qt::FramelessWindowHint) && !(flags() & Qt::WindowStaysOnTopHint));
        QVERIFY(flags() & Qt::WindowDoesNotAcceptFocus);
        QVERIFY(!window.isFullScreen());
        QCOMPARE(window.geometry(), frame);
        const QImage grab = window.grab().toImage();
        QCOMPARE(grab.pixelColor(grab.width() / 2, grab.height() / 2), QColor(Qt::black));
        // A resized window keeps the slide filling it, and the frame is kept once it is hidden.
        window.resize(700, 500);
        QCOMPARE(window.slide->size(), QSize(700, 500));
        const QRect left = window.geometry();
        window.hide();
        QCOMPARE(AudienceWindow::storedFrame(), left);

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
