// The projector's transition layer on a manual clock: its frames lie between the two pictures,
// it ends on the new one and goes, and it stops at once when asked.
#include "support/ManualClock.h"
#include "support/TestSupport.h"
#include "ui/audience/TransitionLayer.h"

namespace {

QImage filled(QSize size, QColor colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

} // namespace

class TestTransitionLayer : public QObject {
    Q_OBJECT

private slots:
    void playsBetweenThePicturesAndEnds() {
        ManualClock clock;
        QWidget window;
        window.resize(320, 180);
        TransitionLayer layer(clock, &window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QImage from = filled(layer.pixelSize(), Qt::red);
        const QImage to = filled(layer.pixelSize(), Qt::blue);
        PageTransition dissolve;
        dissolve.style = PageTransition::Style::dissolve;
        layer.play(from, to, {dissolve, false});
        QVERIFY(layer.isPlaying() && layer.isVisible());
        clock.advance(500);
        const QImage middle = layer.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QVERIFY(middle != from);
        QVERIFY(middle != to);
        clock.advance(600);
        QVERIFY(!layer.isPlaying());
        QVERIFY(!layer.isVisible());

        // Backwards: the way forward undone, from the new picture towards the old.
        PageTransition wipe;
        wipe.style = PageTransition::Style::wipe;
        layer.play(from, to, {wipe, true});
        clock.advance(250);
        const QImage back = layer.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(back.pixelColor(2, 90), QColor(Qt::red));
        QCOMPARE(back.pixelColor(317, 90), QColor(Qt::blue));
        layer.stop();
        QVERIFY(!layer.isVisible());
        QCOMPARE(clock.pendingWakeups(), 0);

        // Pictures of another size play nothing; a resize ends a transition.
        layer.play(filled({10, 10}, Qt::red), to, {dissolve, false});
        QVERIFY(!layer.isPlaying());
        layer.play(from, to, {dissolve, false});
        window.resize(400, 300);
        QVERIFY(!layer.isPlaying());
        QCOMPARE(layer.geometry(), QRect(0, 0, 400, 300));
    }
};

QTEST_MAIN(TestTransitionLayer)
#include "tst_transitionlayer.moc"
