// The split handle: absolute drag positions in the parent, reset on exactly a double-click, the
// hover bar and the resize cursor.
#include "base/Colors.h"
#include "support/TestSupport.h"
#include "ui/console/SplitHandle.h"

namespace {

void send(QWidget* target, QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
    QMouseEvent event(type, at, target->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

} // namespace

class TestSplitHandle : public QObject {
    Q_OBJECT
private slots:
    // Each move reports where the pointer is now in the parent, even outside it.
    void dragReportsParentPositions_data() {
        QTest::addColumn<double>("pointerInHandle");
        QTest::addColumn<double>("reported");
        QTest::newRow("on the handle") << 3.0 << 103.0;
        QTest::newRow("left of the parent: negative") << -150.0 << -50.0;
        QTest::newRow("beyond the parent's width") << 700.0 << 800.0;
    }
    void dragReportsParentPositions() {
        QFETCH(double, pointerInHandle);
        QFETCH(double, reported);
        QWidget parent;
        parent.resize(400, 300);
        auto* handle = new SplitHandle(&parent);
        handle->setGeometry(100, 0, 7, 300);
        QList<double> positions;
        QObject::connect(handle, &SplitHandle::dragged, [&](double x) { positions.append(x); });
        send(handle, QEvent::MouseButtonPress, QPointF(3, 10), Qt::LeftButton);
        send(handle, QEvent::MouseMove, QPointF(pointerInHandle, 10), Qt::LeftButton);
        QCOMPARE(positions, QList<double>{reported});
        // The handle stays where it is until its owner lays out again.
        QCOMPARE(handle->x(), 100);
    }

    // Moves without the button and a handle without a parent report nothing.
    void nothingToReport() {
        QWidget parent;
        auto* handle = new SplitHandle(&parent);
        int drags = 0;
        QObject::connect(handle, &SplitHandle::dragged, [&](double) { ++drags; });
        send(handle, QEvent::MouseMove, QPointF(20, 10), Qt::NoButton);
        SplitHandle orphan;
        QObject::connect(&orphan, &SplitHandle::dragged, [&](double) { ++drags; });
        send(&orphan, QEvent::MouseButtonPress, QPointF(3, 3), Qt::LeftButton);
        send(&orphan, QEvent::MouseMove, QPointF(30, 3), Qt::LeftButton);
        QCOMPARE(drags, 0);
    }

    // Clicks through the window, so that Qt itself decides what is a double-click.
    void resetOnExactlyTwoClicks_data() {
        QTest::addColumn<int>("clicks");
        QTest::addColumn<int>("resets");
        QTest::newRow("single click") << 1 << 0;
        QTest::newRow("double-click resets once") << 2 << 1;
        QTest::newRow("triple click resets once, on the second click") << 3 << 1;
    }
    void resetOnExactlyTwoClicks() {
        QFETCH(int, clicks);
        QWidget parent;
        parent.resize(200, 100);
        auto* handle = new SplitHandle(&parent);
        handle->setGeometry(50, 0, 7, 100);
        int reset = 0;
        QObject::connect(handle, &SplitHandle::resetAsked, [&] { ++reset; });
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        for (int i = 0; i < clicks; ++i) {
            QTest::mouseClick(parent.windowHandle(), Qt::LeftButton, {}, QPoint(53, 50), 10);
            // QTest spaces clicks apart so they never pair up; these are meant to be quick.
            QTest::lastMouseTimestamp -= QTest::mouseDoubleClickInterval;
        }
        QTEST(reset, "resets");
    }

    void hoverTurnsTheLineIntoAnOrangeBar() {
        QWidget parent;
        parent.resize(40, 60);
        QPalette dark = parent.palette();
        dark.setColor(QPalette::Window, Qt::black);
        parent.setPalette(dark);
        parent.setAutoFillBackground(true);
        auto* handle = new SplitHandle(&parent);
        handle->setGeometry(10, 0, 7, 60);
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));

        QImage idle = parent.grab().toImage();
        QCOMPARE(idle.pixel(13, 30), Colors::grey(0.25).rgb());
        QCOMPARE(idle.pixel(12, 30), QColor(Qt::black).rgb());
        QCOMPARE(idle.pixel(14, 30), QColor(Qt::black).rgb());

        QEnterEvent enter(QPointF(3, 30), QPointF(13, 30), handle->mapToGlobal(QPointF(3, 30)));
        QCoreApplication::sendEvent(handle, &enter);
        QVERIFY(handle->isHovered());
        QImage hovered = parent.grab().toImage();
        for (int x : {12, 13, 14})
            QCOMPARE(hovered.pixel(x, 30), Colors::orange.rgb());
        QCOMPARE(hovered.pixel(11, 30), QColor(Qt::black).rgb());
        QCOMPARE(hovered.pixel(15, 30), QColor(Qt::black).rgb());

        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(handle, &leave);
        QVERIFY(!handle->isHovered());
        QCOMPARE(parent.grab().toImage().pixel(12, 30), QColor(Qt::black).rgb());
    }
};

ORVL_TEST_MAIN(TestSplitHandle)
#include "tst_splithandle.moc"
